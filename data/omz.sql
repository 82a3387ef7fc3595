-- OMZ2006.db: the one secondary symmetry rule set, without shape or lab.

CREATE TABLE SYMPARA (
  ID           INTEGER,
  Display_Name TEXT COLLATE NOCASE,
  Parameters   TEXT COLLATE NOCASE
);

CREATE TABLE Class (
  Class  TEXT COLLATE NOCASE,
  Serial INTEGER
);

CREATE TABLE SymData (
  serial     INTEGER,
  cPara      TEXT COLLATE NOCASE,
  cMin       TEXT,
  cMax       TEXT,
  include    INTEGER NOT NULL DEFAULT 0,
  Class      TEXT COLLATE NOCASE,
  Parameters TEXT COLLATE NOCASE,
  Show       INTEGER NOT NULL DEFAULT 0
);
