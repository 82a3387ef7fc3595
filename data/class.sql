-- Class.db: every rule of the office. Column order is fixed where rows are
-- written or read by position; text compares without regard to case.

CREATE TABLE Cut (
  Shape  TEXT COLLATE NOCASE,
  Lab    TEXT COLLATE NOCASE,
  Serial INTEGER,
  Class  TEXT COLLATE NOCASE
);
CREATE TABLE Sym (
  Shape  TEXT COLLATE NOCASE,
  Lab    TEXT COLLATE NOCASE,
  Serial INTEGER,
  Class  TEXT COLLATE NOCASE
);
CREATE INDEX CutScope ON Cut (Shape, Lab, Serial);
CREATE INDEX SymScope ON Sym (Shape, Lab, Serial);

CREATE TABLE CutLab (
  Shape       TEXT COLLATE NOCASE,
  Lab         TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE
);
CREATE TABLE SymLab (
  Shape       TEXT COLLATE NOCASE,
  Lab         TEXT COLLATE NOCASE,
  Description TEXT COLLATE NOCASE
);
CREATE INDEX CutLabScope ON CutLab (Shape, Lab);
CREATE INDEX SymLabScope ON SymLab (Shape, Lab);

CREATE TABLE CutPara (
  Shape        TEXT COLLATE NOCASE,
  ID           INTEGER,
  Parameters   TEXT COLLATE NOCASE,
  Display_Name TEXT COLLATE NOCASE
);
CREATE TABLE SymPara (
  Shape        TEXT COLLATE NOCASE,
  ID           INTEGER,
  Parameters   TEXT COLLATE NOCASE,
  Display_Name TEXT COLLATE NOCASE
);
CREATE INDEX CutParaScope ON CutPara (Shape, ID);
CREATE INDEX SymParaScope ON SymPara (Shape, ID);

-- cMin and cMax keep the text exactly as typed.
CREATE TABLE CutData (
  Shape      TEXT COLLATE NOCASE,
  Lab        TEXT COLLATE NOCASE,
  serial     INTEGER,
  cPara      TEXT COLLATE NOCASE,
  cMin       TEXT,
  cMax       TEXT,
  include    INTEGER NOT NULL DEFAULT 0,
  Class      TEXT COLLATE NOCASE,
  Parameters TEXT COLLATE NOCASE,
  Show       INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE SymData (
  Shape      TEXT COLLATE NOCASE,
  Lab        TEXT COLLATE NOCASE,
  serial     INTEGER,
  cPara      TEXT COLLATE NOCASE,
  cMin       TEXT,
  cMax       TEXT,
  include    INTEGER NOT NULL DEFAULT 0,
  Class      TEXT COLLATE NOCASE,
  Parameters TEXT COLLATE NOCASE,
  Show       INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX CutDataScope ON CutData (Shape, Lab);
CREATE INDEX SymDataScope ON SymData (Shape, Lab);

CREATE TABLE MultiData (
  Shape  TEXT COLLATE NOCASE,
  CutLab TEXT COLLATE NOCASE,
  SymLab TEXT COLLATE NOCASE
);
CREATE INDEX MultiDataScope ON MultiData (Shape);

CREATE TABLE GIRDLE_DESC (
  Shape       TEXT COLLATE NOCASE,
  Lab         TEXT COLLATE NOCASE,
  ID          INTEGER,
  Description TEXT COLLATE NOCASE,
  BazelMin    REAL,
  BazelMax    REAL,
  BoneMin     REAL,
  BoneMax     REAL,
  NarrowMin   REAL,
  NarrowMax   REAL
);
CREATE INDEX GirdleDescScope ON GIRDLE_DESC (Shape, Lab, ID);

CREATE TABLE GIRDLE_CLASS (
  FromID      INTEGER,
  ToID        INTEGER,
  Class       INTEGER,
  Lab         TEXT COLLATE NOCASE,
  Shape       TEXT COLLATE NOCASE,
  GIRDLECLASS TEXT COLLATE NOCASE
);
CREATE INDEX GirdleClassScope ON GIRDLE_CLASS (Shape, Lab, GIRDLECLASS);
