-- dbZenthora: the tracking central. Date-times are local time as text
-- 'YYYY-MM-DD HH:MM:SS'; identity columns are INTEGER PRIMARY KEY; every
-- column that callers need not name is nullable or has a default. Date-time
-- columns that replies show are declared DATETIME, so they read as date-times.

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
  DataHoraCarga             DATETIME,
  DataHoraUltimaAtualizacao DATETIME,
  IntervaloAtualizacao      INTEGER,
  Versao                    TEXT,
  Maquina                   TEXT,
  Ativo                     INTEGER NOT NULL DEFAULT 1
);

-- ------------------------------------------------------ command queue, Posts

CREATE TABLE tFilaComandoKVT (
  NroSeq    INTEGER PRIMARY KEY AUTOINCREMENT,  -- never reused: a new row never equals the crash marker
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

-- Tracker models and firmware versions that hold 1000 targets instead of 250:
-- a model without versions always; with VersaoDe only, from that version on;
-- with both, from VersaoDe up to but excluding VersaoAte (compared as texts).
CREATE TABLE SuportaMilAlvos (
  Rastreador INTEGER,
  VersaoDe   TEXT,
  VersaoAte  TEXT
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
  DataAlteracao        DATETIME DEFAULT (datetime('now','localtime'))
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
  DataHoraEm_LastCnx_OK DATETIME
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

-- Texts of the telecommand rows: the cellular operator a tracker must change to.
CREATE TABLE tCfgTrocaOperadoraCelular (
  IdSequencia      INTEGER PRIMARY KEY,
  IdTerminal       INTEGER,
  OperadoraCelular INTEGER          -- 1 or 2
);

-- Commands each service plan allows (idComandoHex: the code in hexadecimal,
-- at least two digits).
CREATE TABLE tlnk_planoXcomando (
  IdLink       INTEGER PRIMARY KEY,
  TX_Plano     TEXT,
  idComandoHex TEXT
);

-- Remote operations: the vehicle's answer to a configuration telecommand
-- (DiagnosticoOpRemota 0 = processed, 255 = waiting, 100 = none).
CREATE TABLE tOpRemota (
  IdSequencia         INTEGER PRIMARY KEY,
  DiagnosticoOpRemota INTEGER,
  DataHora            TEXT DEFAULT (datetime('now','localtime'))
);

-- ------------------------------------------------------ formatted messages

CREATE TABLE tGrupoMacro (
  IdGrupo    INTEGER PRIMARY KEY,
  Nome_Grupo TEXT,
  IdRef      INTEGER
);

-- Definitions; idMacro and Hash are the message's hash as a signed 32-bit
-- number, TE and TC are stored negated.
CREATE TABLE tCfgMacro (
  idMacro  INTEGER PRIMARY KEY,
  idultimo INTEGER NOT NULL DEFAULT 0,
  Titulo   TEXT,
  Terminal INTEGER,
  idGrupo  INTEGER,
  Enviado  INTEGER NOT NULL DEFAULT 0,
  Hash     INTEGER,
  TE       INTEGER NOT NULL DEFAULT 0,
  TC       INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE tCfgMacroCampos (
  idMacro INTEGER,
  idCampo INTEGER,
  Hash    INTEGER,
  Nome    TEXT,
  Tipo    INTEGER,
  Tam     INTEGER,
  lin     INTEGER,
  col     INTEGER,
  alin    INTEGER,
  Obrig   INTEGER,
  Repet   INTEGER NOT NULL DEFAULT 0,
  Ordem   INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (idMacro, idCampo)
);

-- Definitions associated with vehicles (Status 3: waiting for transmission).
CREATE TABLE tMacroVeic (
  IdMacroVeic INTEGER PRIMARY KEY,
  idMacro     INTEGER,
  idTerminal  INTEGER,
  Status      INTEGER NOT NULL DEFAULT 3,
  Central     INTEGER NOT NULL DEFAULT 0,
  IdSeq       INTEGER
);
CREATE INDEX ixMacroVeicTerminal ON tMacroVeic (idTerminal);

-- ----------------------------------------------------------- custom events

-- One custom event per (IdEvento, Sistema); each ModuloN_PortaN holds the key
-- (Modulo * 65536 + Porta) of one input, or a value that matches none.
CREATE TABLE tEventoPersonalizado (
  IdEvento        INTEGER,
  Sistema         INTEGER NOT NULL DEFAULT 0,
  Descricao       TEXT,
  Tipo            TEXT,
  Modulo1_Porta1  INTEGER NOT NULL DEFAULT 0,
  Modulo2_Porta2  INTEGER NOT NULL DEFAULT 0,
  Modulo3_Porta3  INTEGER NOT NULL DEFAULT 0,
  Modulo4_Porta4  INTEGER NOT NULL DEFAULT 0,
  Modulo5_Porta5  INTEGER NOT NULL DEFAULT 0,
  Modulo6_Porta6  INTEGER NOT NULL DEFAULT 0,
  Modulo7_Porta7  INTEGER NOT NULL DEFAULT 0,
  Modulo8_Porta8  INTEGER NOT NULL DEFAULT 0,
  Modulo9_Porta9  INTEGER NOT NULL DEFAULT 0,
  Modulo10_Porta10 INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (IdEvento, Sistema)
);

-- Inputs of the vehicle units (module and port) and the value type of each
-- (TipoCompilador 1 to 14).
CREATE TABLE tDef_Modulo_Porta (
  Modulo         INTEGER,
  Porta          INTEGER,
  Descricao      TEXT,
  TipoCompilador INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (Modulo, Porta)
);

CREATE TABLE tDef_Variavel (
  Modulo        INTEGER,
  Porta         INTEGER,
  TipoLogico    TEXT,
  SQL_Processo  TEXT,
  Identificador TEXT,
  PRIMARY KEY (Modulo, Porta)
);

-- ----------------------------------------------------- network of centrals

-- Generic counters of the central; 'ComunicacaoDaCentral' 0 switches this
-- central's communication off.
CREATE TABLE tcontadorgenerico (
  nomeCont TEXT PRIMARY KEY COLLATE NOCASE,
  valor    INTEGER NOT NULL DEFAULT 0
);
INSERT INTO tcontadorgenerico (nomeCont, valor) VALUES ('ComunicacaoDaCentral', 1);

CREATE TABLE tCentral (
  IdCentral INTEGER PRIMARY KEY,
  Nome      TEXT,
  IP        TEXT,
  Port      INTEGER
);

-- Vehicles configured from another central (idopcaoconfig 1): that server
-- central's address.
CREATE TABLE tConfigCentral (
  IdTerminal        INTEGER PRIMARY KEY,
  idopcaoconfig     INTEGER NOT NULL DEFAULT 0,
  IpCentralOrigem   TEXT,
  PortCentralOrigem INTEGER
);

-- Client centrals that receive a vehicle's data.
CREATE TABLE tCentralDestino (
  IdCentralDestino   INTEGER PRIMARY KEY,
  IdTerminal         INTEGER,
  IpCentralDestino   TEXT,
  PortCentralDestino INTEGER
);

-- Commands (tipomsg 'TC', codmsg in decimal) barred for the vehicles of a
-- server central.
CREATE TABLE tCentralDestinoPermissoes (
  IdPermissao      INTEGER PRIMARY KEY,
  ipcentralorigem  TEXT,
  ipcentraldestino TEXT,
  tipomsg          TEXT,
  codmsg           INTEGER
);

-- ------------------------------------------- operations and configurations

-- Kinds of configuration: the command that transmits each, and the view that
-- holds its profiles (TabelaConf).
CREATE TABLE tOpcoesOperacao (
  IdOpcao            INTEGER PRIMARY KEY,
  NomeOpcao          TEXT,
  CodMsgHex          TEXT,
  TabelaConf         TEXT,
  FlagCentralRastSeg TEXT
);

-- Configuration profiles of every kind. Rows with IdTerminal 0 and
-- IdSequencia 0 are the templates; a vehicle's copy gets the IdSequencia of
-- the telecommand that sent it.
CREATE TABLE tCfgPerfil (
  IdPerfil           INTEGER PRIMARY KEY,
  IdConfig           INTEGER,
  IdOpcao            INTEGER,
  Nome               TEXT,
  IdTerminal         INTEGER NOT NULL DEFAULT 0,
  IdSequencia        INTEGER NOT NULL DEFAULT 0,
  FlagCentralRastSeg TEXT,
  FlagCentralSegRast TEXT,
  Tecnologia         INTEGER NOT NULL DEFAULT 0,
  Parametros         TEXT
);
CREATE INDEX ixCfgPerfil ON tCfgPerfil (IdOpcao, IdTerminal, IdConfig);

-- One view per kind, named in tOpcoesOperacao.TabelaConf.
CREATE VIEW tCfgComunicacao    AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 1;
CREATE VIEW tCfgVelocidade     AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 2;
CREATE VIEW tCfgParada         AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 3;
CREATE VIEW tCfgJornada        AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 4;
CREATE VIEW tCfgTelemetria     AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 5;
CREATE VIEW tCfgSensores       AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 6;
CREATE VIEW tCfgTeclado        AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 7;
CREATE VIEW tCfgSegCentralRast AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 8;
CREATE VIEW tCfgSegRastCentral AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 9;
CREATE VIEW tCfgAtuadores      AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 10;
CREATE VIEW tCfgAlarmes        AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 11;
CREATE VIEW tCfgPanico         AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 12;
CREATE VIEW tCfgBloqueio       AS SELECT * FROM tCfgPerfil WHERE IdOpcao = 13;

CREATE TABLE tOperacao (
  IdOperacao INTEGER PRIMARY KEY,
  Nome       TEXT
);

-- The items of an operation: one configuration of one kind each.
CREATE TABLE tItensOperacao (
  IdItem           INTEGER PRIMARY KEY,
  IdOperacao       INTEGER,
  IDConfiguracao   INTEGER,
  NomeConfiguracao TEXT,
  IdOpcao          INTEGER,
  NomeOpcaoConf    TEXT
);

-- Operations associated with vehicles (Status 0: waiting, 1: transmitted).
CREATE TABLE tTransOperacao (
  IdTransOperacao INTEGER PRIMARY KEY,
  IdOperacao      INTEGER,
  IdTerminal      INTEGER,
  NomeOperacao    TEXT,
  IdUsuario       INTEGER,
  Status          INTEGER NOT NULL DEFAULT 0,
  DtAssociacao    TEXT DEFAULT (datetime('now','localtime')),
  DtTransmissao   TEXT
);
CREATE INDEX ixTransOperacaoTerminal ON tTransOperacao (IdTerminal);

-- The telecommand of each item of a transmitted operation.
CREATE TABLE tTransItensOperacao (
  IdTransItem     INTEGER PRIMARY KEY,
  IdTransOperacao INTEGER,
  IdConfiguracao  INTEGER,
  IdOpcao         INTEGER,
  IdSequencia     INTEGER
);
CREATE INDEX ixTransItensSequencia ON tTransItensOperacao (IdSequencia);

-- Targets as sent to a vehicle by a target configuration (NumOrdemRef: the
-- target's number in the vehicle).
CREATE TABLE tCfgAlvoVeic (
  IdCfgAlvoVeic  INTEGER PRIMARY KEY,
  IdSequencia    INTEGER,
  IdTerminal     INTEGER,
  IdAlvo         INTEGER,
  NumOrdemRef    INTEGER,
  Nome_Alvo      TEXT,
  TipoAlvos      INTEGER,
  Persistencia   INTEGER,
  EmSobreposicao INTEGER
);

-- ------------------------------------------------ stop-logistics messages

CREATE TABLE tMensagemExtensaoLogistica (
  idMsg    INTEGER PRIMARY KEY,
  TipoMsg  INTEGER,            -- 0 and 1 arrival, 2 departure
  Mensagem TEXT,               -- at most 18 characters
  Visivel  INTEGER NOT NULL DEFAULT 1
);

-- A vehicle's configuration of messages (IdConfig 0); IdSequencia is set when
-- the configuration is transmitted.
CREATE TABLE tCfgMensagemExtensaoLogistica (
  IdCfgMensagem INTEGER PRIMARY KEY,
  IdTerminal    INTEGER,
  IdConfig      INTEGER NOT NULL DEFAULT 0,
  idMsg         INTEGER,
  TipoMsg       INTEGER,
  Sequencia     INTEGER,
  IdSequencia   INTEGER,
  Origem        INTEGER
);
CREATE INDEX ixCfgMensagemTerminal ON tCfgMensagemExtensaoLogistica (IdTerminal);

-- Stop lists transmitted to vehicles.
CREATE TABLE tCfgListaParadas (
  IdSequencia        INTEGER PRIMARY KEY,
  IdTerminal         INTEGER,
  IdConfig           INTEGER,
  TituloListaParadas TEXT,
  TipoChegada        INTEGER,
  TipoSaida          INTEGER,
  ListaParadas       INTEGER,
  NaturezaOperacao   INTEGER,
  Nome_Perfil        TEXT
);

-- Rules of the maker's tracker catalogue that the vehicle commands follow:
--   'ModeloComPlano'          the model whose commands are checked against the
--                             vehicle's service plan (one row);
--   'ModelosMensagemPre'      the models that take pre-defined messages;
--   'AceitaTextoSatelite'     models and firmware versions (VersaoMinima to
--                             VersaoMaxima, compared as texts, NULL = open)
--                             that take free-text and binary messages by satellite;
--   'AceitaFormatadaSatelite' the same for formatted messages.
CREATE TABLE tRegraRastreadorKVT (
  Regra        TEXT,
  Rastreador   INTEGER,
  VersaoMinima TEXT,
  VersaoMaxima TEXT
);
