-- dbBase: the communication base. Quillon appends the event Posts of each
-- communication module to its two event tables; KORVATEL reads them in
-- NumSeq order and empties them only between a pause (D0/D2) and a resume (D1).

-- Stand-in stored procedures: "exec Nome :a, :b" binds the arguments by
-- position to the names in Parametros and runs the statements of Corpo.
CREATE TABLE kvtProcedimento (
  Nome       TEXT PRIMARY KEY COLLATE NOCASE,
  Parametros TEXT NOT NULL DEFAULT '',
  Corpo      TEXT NOT NULL
);

CREATE TABLE tModRas (
  ModCom INTEGER PRIMARY KEY,
  Descr  TEXT,
  CCRO   INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE tEvtPost02     (NumSeq INTEGER PRIMARY KEY, Post TEXT);
CREATE TABLE tEvtPostCtrl02 (NumSeq INTEGER PRIMARY KEY, Post TEXT);
CREATE TABLE tEvtPost03     (NumSeq INTEGER PRIMARY KEY, Post TEXT);
CREATE TABLE tEvtPostCtrl03 (NumSeq INTEGER PRIMARY KEY, Post TEXT);
CREATE TABLE tEvtPost04     (NumSeq INTEGER PRIMARY KEY, Post TEXT);
CREATE TABLE tEvtPostCtrl04 (NumSeq INTEGER PRIMARY KEY, Post TEXT);
CREATE TABLE tEvtPost05     (NumSeq INTEGER PRIMARY KEY, Post TEXT);
CREATE TABLE tEvtPostCtrl05 (NumSeq INTEGER PRIMARY KEY, Post TEXT);

-- Quillon's own statistics records; Buffer holds four 32-bit little-endian
-- counters: pending events, pending commands, events and commands per second.
CREATE TABLE tView (
  IdView       INTEGER PRIMARY KEY,
  Versao       INTEGER,
  DHAtualizacao TEXT DEFAULT (datetime('now','localtime')),
  Buffer       BLOB
);
