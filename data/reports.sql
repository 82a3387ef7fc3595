-- Reports.db holds the office's report tables, one family per shape; the
-- program only reads their column names. A new data directory starts with
-- none; the version stamp makes the file a real database from the start.
PRAGMA user_version = 1;
