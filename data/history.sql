-- The history of saves, in Class.db and in OMZ2006.db alike: one entry per
-- scope a save changed. A table of its own, so that older copies of the
-- program keep working on the same files. Made when missing.

CREATE TABLE IF NOT EXISTS History (
  Entry       INTEGER NOT NULL,
  Saved       TEXT,                 -- UTC, 2024-05-01T12:34:56.789Z
  Who         TEXT,
  Workstation TEXT,
  Kind        TEXT COLLATE NOCASE,
  Note        TEXT,
  Area        TEXT COLLATE NOCASE,  -- lab, parameters, pairs, ...
  Type        TEXT COLLATE NOCASE,
  Shape       TEXT COLLATE NOCASE,
  Lab         TEXT COLLATE NOCASE,
  Detail      TEXT COLLATE NOCASE,
  Changes     INTEGER,              -- values changed
  Cost        INTEGER,              -- what rebuilding costs since Checkpoint
  Checkpoint  INTEGER,              -- the entry whose whole version Base holds, 0 for none
  Digest      BLOB,                 -- of the scope's rows after the save
  Diff        BLOB,                 -- every value changed, old and new
  Base        BLOB                  -- the scope's rows after the save, now and then
);
CREATE UNIQUE INDEX IF NOT EXISTS HistoryEntry ON History (Entry);
CREATE INDEX IF NOT EXISTS HistoryScope ON History (Area, Type, Shape, Lab, Detail, Entry);
