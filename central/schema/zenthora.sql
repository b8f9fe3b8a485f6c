-- dbZenthora: the tracking central. Date-times are local time as text
-- 'YYYY-MM-DD HH:MM:SS'; identity columns are INTEGER PRIMARY KEY; every
-- column that callers need not name is nullable or has a default.

-- Stand-in stored procedures: "exec Nome :a, :b" binds the arguments by
-- position to the names in Parametros and runs the statements of Corpo.
CREATE TABLE kvtProcedimento (
  Nome       TEXT PRIMARY KEY COLLATE NOCASE,
  Parametros TEXT NOT NULL DEFAULT '',
  Corpo      TEXT NOT NULL
);

-- ---------------------------------------------------------------- programs

-- One row per program of the central (heartbeat, load record, single-instance
-- check). KORVATELn uses CodigoPrograma n + 10; Quillon keeps its own row.
CREATE TABLE tDiagnostico (
  CodigoPrograma            INTEGER PRIMARY KEY,
  NomePrograma              TEXT,
  DataHoraCarga             TEXT,
  DataHoraUltimaAtualizacao TEXT,
  IntervaloAtualizacao      INTEGER,
  Versao                    TEXT,
  Maquina                   TEXT,
  Ativo                     INTEGER NOT NULL DEFAULT 1
);

-- ------------------------------------------------------ command queue, Posts

CREATE TABLE tFilaComandoKVT (
  NroSeq    INTEGER PRIMARY KEY,
  XML       TEXT,
  IP        TEXT,
  Porta     INTEGER,
  DHEntrada TEXT DEFAULT (datetime('now','localtime')),
  ModCom    INTEGER
);

-- The NroSeq of the queue row most recently taken; always exactly one row, so
-- that a document that stopped the server is dropped on its second try.
CREATE TABLE tNroSeqComandoKVT (NroSeq INTEGER NOT NULL DEFAULT 0);
INSERT INTO tNroSeqComandoKVT (NroSeq) VALUES (0);

-- Command Posts for Quillon (pause D0, resume D1).
CREATE TABLE tCmdPost (
  NumSeq    INTEGER PRIMARY KEY,
  IdBase    INTEGER,
  ModCom    TEXT,
  DHEntrada TEXT DEFAULT (datetime('now','localtime')),
  Post      TEXT
);

-- Field names of the event Posts: IdToken is the numeric field id, NomeToken
-- the element name, TipoToken '1' when the field is rendered.
CREATE TABLE tToken (
  IdToken   INTEGER PRIMARY KEY,
  NomeToken TEXT,
  TipoToken TEXT DEFAULT '1'
);

-- ------------------------------------------------------------------ users

CREATE TABLE tUsuario (
  idUsuario INTEGER PRIMARY KEY,
  Login     TEXT COLLATE NOCASE UNIQUE,
  Nome      TEXT,
  Senha     BLOB,               -- MD5 of the upper-case password, 16 raw bytes
  Status    INTEGER NOT NULL DEFAULT 1,
  HabKVT    INTEGER NOT NULL DEFAULT 1
);

-- Vehicles a user may see.
CREATE TABLE tUsuarioVeiculo (
  idUsuario  INTEGER NOT NULL,
  IdTerminal INTEGER NOT NULL,
  PRIMARY KEY (idUsuario, IdTerminal)
);

-- ---------------------------------------------------------------- vehicles

CREATE TABLE tTransp (
  IdTransp       INTEGER PRIMARY KEY,
  Transportadora TEXT
);

CREATE TABLE tFrota (
  IdFrota    INTEGER PRIMARY KEY,
  Nome_Frota TEXT
);

-- Tracker models; ListaKVT = 1 enables a model for this server.
CREATE TABLE tRastreador (
  Rastreador INTEGER PRIMARY KEY,
  Descricao  TEXT,
  ListaKVT   INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE tVeiculo (
  IdTerminal           INTEGER PRIMARY KEY,
  IdTransp             INTEGER,
  IdFrota              INTEGER,
  Veiculo              TEXT,
  Marca                TEXT,
  Modelo               TEXT,
  Tipo                 TEXT,
  Cor                  TEXT,
  Ano                  INTEGER,
  Placas               TEXT,
  Chassi               TEXT,
  Cidade               TEXT,
  UF                   TEXT,
  Rastreador           INTEGER,
  Versao               TEXT,
  TipoComunicacao      INTEGER NOT NULL DEFAULT 1,
  DadosCnx1            TEXT,
  Console              INTEGER,
  TipoConsole          INTEGER,
  Bau                  INTEGER NOT NULL DEFAULT 0,
  Carreta              INTEGER NOT NULL DEFAULT 0,
  Portas               INTEGER NOT NULL DEFAULT 0,
  BloqComb             INTEGER NOT NULL DEFAULT 0,
  Sirene               INTEGER NOT NULL DEFAULT 0,
  Pisca                INTEGER NOT NULL DEFAULT 0,
  BotPanico            INTEGER NOT NULL DEFAULT 0,
  Odometro             INTEGER NOT NULL DEFAULT 0,
  Bateria              INTEGER NOT NULL DEFAULT 0,
  CarretaId            TEXT,
  TravaBau             INTEGER NOT NULL DEFAULT 0,
  TipoOdometro         INTEGER NOT NULL DEFAULT 0,
  TipoBloqueador       INTEGER NOT NULL DEFAULT 0,
  TipoTrava            INTEGER NOT NULL DEFAULT 0,
  AlertaAudivel        INTEGER NOT NULL DEFAULT 0,
  Termometro           INTEGER NOT NULL DEFAULT 0,
  TipoTermometro       INTEGER NOT NULL DEFAULT 0,
  OperadoraCEL         INTEGER,
  CentralPrincipal     INTEGER NOT NULL DEFAULT 0,
  UsaFuncaoProgramavel INTEGER NOT NULL DEFAULT 0,
  BotBau               INTEGER NOT NULL DEFAULT 0,
  linker_plano         TEXT,
  DataAlteracao        TEXT DEFAULT (datetime('now','localtime'))
);

-- Satellite data of the Zeta terminal family.
CREATE TABLE tVeicZeta (
  IdTerminal         INTEGER PRIMARY KEY,
  ControlStationID   TEXT,
  Password           TEXT,
  DestinationAddress TEXT,
  TerminalID         TEXT
);

CREATE TABLE tVeicSensor (
  idTerminal INTEGER PRIMARY KEY,
  StrSensor1 TEXT, UsoSensor1 INTEGER NOT NULL DEFAULT 0,
  StrSensor2 TEXT, UsoSensor2 INTEGER NOT NULL DEFAULT 0,
  StrSensor3 TEXT, UsoSensor3 INTEGER NOT NULL DEFAULT 0,
  StrSensor4 TEXT, UsoSensor4 INTEGER NOT NULL DEFAULT 0
);

-- Events received from the vehicles, and each vehicle's latest state.
CREATE TABLE tTeleEvento (
  IdSequencia      INTEGER PRIMARY KEY,
  IdTerminal       INTEGER,
  CodMsg           INTEGER,
  Evento           INTEGER,
  DataHoraEm       TEXT,
  DataHoraRec      TEXT DEFAULT (datetime('now','localtime')),
  TecnologiaEvento INTEGER               -- 2 = received over GPRS
);

CREATE TABLE tGridVeiculos (
  IdTerminal            INTEGER PRIMARY KEY,
  IdSeq_LastCnx         INTEGER,
  Latitude              REAL,
  Longitude             REAL,
  Localizacao           TEXT,
  StatusVeic            TEXT,
  TecnologiaEvento      INTEGER,
  DataHoraEm_LastCnx_OK TEXT
);

-- ------------------------------------------------------------ telecommands

-- One row per command for a vehicle; Quillon transmits the rows in state 16
-- and reports their fate with the events 81 and 8C.
CREATE TABLE tTelecomando (
  IdSequencia     INTEGER PRIMARY KEY,
  IdSeqMsg        INTEGER,
  IdTerminal      INTEGER,
  CodMsg          INTEGER,
  StatusEnvio     INTEGER NOT NULL DEFAULT 16,
  Origem          TEXT,
  IdUsuario       INTEGER,
  DesabilitarGPRS INTEGER NOT NULL DEFAULT 0,
  Token1          TEXT,
  Token2          TEXT,
  DataHoraEm      TEXT DEFAULT (datetime('now','localtime')),
  DataHoraRec     TEXT,
  IP              TEXT,
  Port            INTEGER,
  Operadora       INTEGER,
  CallProgress    INTEGER,
  Tentativas      INTEGER
);
CREATE INDEX ixTelecomandoIdSeqMsg ON tTelecomando (IdSeqMsg);
CREATE INDEX ixTelecomandoStatus ON tTelecomando (StatusEnvio);

-- Texts of the free-text and pre-defined messages sent (spRecMensagemEnv).
CREATE TABLE tMensagemEnv (
  IdSequencia    INTEGER PRIMARY KEY,
  Texto          TEXT,
  StsConfirmacao TEXT,
  StsConfReceb   INTEGER,
  IdMensagem     INTEGER,
  DataHora       TEXT DEFAULT (datetime('now','localtime'))
);

-- Generic alerts (spGeraAlertaGenerico).
CREATE TABLE tAlertaGenerico (
  IdAlerta     INTEGER PRIMARY KEY,
  IdTerminal   INTEGER,
  FusoHorario  REAL,
  IdOcorrencia INTEGER,
  DataHora     TEXT DEFAULT (datetime('now','localtime'))
);

-- ------------------------------------------------------------------ places

CREATE TABLE tcidades (
  IdCidade  INTEGER PRIMARY KEY,
  Regiao    TEXT,
  Cidade    TEXT,
  Latitude  REAL,
  Longitude REAL
);

-- Reference points of the central.
CREATE TABLE tRefer (
  IdRefer   INTEGER PRIMARY KEY,
  Nome      TEXT,
  Latitude  REAL,
  Longitude REAL
);

-- Change counters: a program that edits a table adds one to its Contador.
CREATE TABLE tRefresh (
  Tabela   TEXT PRIMARY KEY COLLATE NOCASE,
  Contador INTEGER NOT NULL DEFAULT 0
);
INSERT INTO tRefresh (Tabela, Contador) VALUES ('tRefer', 0);

-- ---------------------------------------------------------------- messages

-- Catalogue of the vehicle commands; ZETA = 'S' when the command may go by
-- satellite to a GPRS/satellite tracker.
CREATE TABLE tMensagem (
  CodMsg    INTEGER PRIMARY KEY,
  Descricao TEXT,
  ZETA      TEXT NOT NULL DEFAULT 'N'
);

-- Pre-defined messages of the Zeta terminal family: group idMsg, row 0 the
-- group's heading, rows 1 to 7 its messages.
CREATE TABLE tMensagemPre_Zeta (
  idMsg    INTEGER NOT NULL,
  idMsgSub INTEGER NOT NULL,
  Mensagem TEXT,
  Visivel  INTEGER NOT NULL DEFAULT 1,
  Destino  INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (idMsg, idMsgSub)
);
