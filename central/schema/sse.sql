-- dbSSE: the electronic-security database (dbModRas in three-part names):
-- targets, fences, routes, definition profiles and stop-logistics messages.

-- Stand-in stored procedures: "exec Nome :a, :b" binds the arguments by
-- position to the names in Parametros and runs the statements of Corpo.
CREATE TABLE kvtProcedimento (
  Nome       TEXT PRIMARY KEY COLLATE NOCASE,
  Parametros TEXT NOT NULL DEFAULT '',
  Corpo      TEXT NOT NULL
);

-- ----------------------------------------------------------------- targets

-- Groups of targets.
CREATE TABLE tGrupo (
  IdGrupo      INTEGER PRIMARY KEY,
  Nome_Grupo   TEXT,
  IDRef        INTEGER,
  OrdemRecente TEXT
);

-- Targets: places a vehicle must reach or keep away from. Latitude and
-- longitude are canonical coordinate texts.
CREATE TABLE tAlvo (
  IdAlvo          INTEGER PRIMARY KEY,
  IdGrupo         INTEGER,
  Nome_Alvo       TEXT,
  Lat_Alvo        TEXT,
  Lon_Alvo        TEXT,
  Ref_Alvo        TEXT,
  End_Alvo        TEXT,
  Num_Alvo        TEXT,
  Com_Alvo        TEXT,
  Bairro_Alvo     TEXT,
  CEP_Alvo        TEXT,
  Cid_Alvo        TEXT,
  UF_Alvo         TEXT,
  Fone1_Alvo      TEXT,
  Fone2_Alvo      TEXT,
  Fax_Alvo        TEXT,
  Email_Alvo      TEXT,
  Nabert_Alvo     INTEGER,
  Tabert_Alvo     INTEGER,
  Deseng_Alvo     INTEGER,
  Tmanobra_Alvo   INTEGER,
  Dmanobra_Alvo   INTEGER,
  Tolerancia_Alvo INTEGER,
  bmp_alvo        BLOB,
  obs_alvo        TEXT,
  PManobra        INTEGER,
  PAbertBau       INTEGER,
  NumOrdemRef     INTEGER,
  NumOrdemUser    INTEGER,
  idPerfil        INTEGER
);
CREATE INDEX ixAlvoNome ON tAlvo (Nome_Alvo);

-- Targets associated with vehicles (Status_AV 3: waiting for transmission).
CREATE TABLE tAlvoVeic (
  IdAlvoVeic   INTEGER PRIMARY KEY,
  IdTransp     INTEGER,
  IdFrota      INTEGER,
  IdVeiculo    INTEGER,
  IdAlvo       INTEGER,
  Status_AV    INTEGER,
  Sequencial   INTEGER,
  NumOrdemRef  INTEGER,
  NumOrdemUser INTEGER,
  DataHora     TEXT,
  Origem       INTEGER          -- 1 = KORVATEL
);

-- Definition profiles of targets.
CREATE TABLE tPerfilAlvo (
  idPerfil        INTEGER PRIMARY KEY,
  Nome            TEXT,
  Nabert_Alvo     INTEGER NOT NULL DEFAULT 0,
  Tabert_Alvo     INTEGER NOT NULL DEFAULT 0,
  Deseng_Alvo     INTEGER NOT NULL DEFAULT 0,
  Tmanobra_Alvo   INTEGER NOT NULL DEFAULT 0,
  Dmanobra_Alvo   INTEGER NOT NULL DEFAULT 0,
  Tolerancia_Alvo INTEGER NOT NULL DEFAULT 0,
  PAbertBau       INTEGER NOT NULL DEFAULT 0,
  PManobra        INTEGER NOT NULL DEFAULT 0
);

-- ------------------------------------------------------------------ fences

CREATE TABLE tGrupoCerca (
  IDGrupoCerca INTEGER PRIMARY KEY,
  Nome         TEXT
);

-- Definition profiles of fences: shape, sides and the entry and exit settings.
CREATE TABLE tPerfilCerca (
  idPerfil           INTEGER PRIMARY KEY,
  Nome               TEXT,
  Formato            INTEGER NOT NULL DEFAULT 0,
  Tipo               INTEGER NOT NULL DEFAULT 0,
  Lado_A             REAL NOT NULL DEFAULT 50,
  Lado_B             REAL NOT NULL DEFAULT 50,
  EntDeslacreBau     INTEGER NOT NULL DEFAULT 0,
  EntDeslacreCabine  INTEGER NOT NULL DEFAULT 0,
  EntDeslacreCarreta INTEGER NOT NULL DEFAULT 0,
  EntLibPortas       INTEGER NOT NULL DEFAULT 0,
  EntDestrava        INTEGER NOT NULL DEFAULT 0,
  EntLibMov          INTEGER NOT NULL DEFAULT 0,
  EntLacreBau        INTEGER NOT NULL DEFAULT 0,
  EntLacreCabine     INTEGER NOT NULL DEFAULT 0,
  EntLacreCarreta    INTEGER NOT NULL DEFAULT 0,
  EntAcao            INTEGER NOT NULL DEFAULT 0,
  SaiLacreBau        INTEGER NOT NULL DEFAULT 0,
  SaiLacreCabine     INTEGER NOT NULL DEFAULT 0,
  SaiLacreCarreta    INTEGER NOT NULL DEFAULT 0,
  SaiAcao            INTEGER NOT NULL DEFAULT 0,
  SaiAtivaRastreador INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE tCerca (
  IDCerca            INTEGER PRIMARY KEY,
  Nome               TEXT,
  Latitude           TEXT,
  Longitude          TEXT,
  Referencia         TEXT,
  Cidade             TEXT,
  UF                 TEXT,
  CEP                TEXT,
  Endereco           TEXT,
  Numero             TEXT,
  Bairro             TEXT,
  Complemento        TEXT,
  Fone1              TEXT,
  Fone2              TEXT,
  Fax                TEXT,
  Formato            INTEGER,
  Tipo               INTEGER,
  Lado_A             REAL,
  Lado_B             REAL,
  Obs                TEXT,
  IDGrupoCerca       INTEGER,
  EntDeslacreBau     INTEGER,
  EntDeslacreCabine  INTEGER,
  EntDeslacreCarreta INTEGER,
  EntLibPortas       INTEGER,
  EntDestrava        INTEGER,
  EntLibMov          INTEGER,
  EntLacreBau        INTEGER,
  EntLacreCabine     INTEGER,
  EntLacreCarreta    INTEGER,
  EntAcao            INTEGER,
  SaiLacreBau        INTEGER,
  SaiLacreCabine     INTEGER,
  SaiLacreCarreta    INTEGER,
  SaiAcao            INTEGER,
  SaiAtivaRastreador INTEGER,
  idPerfil           INTEGER
);
CREATE INDEX ixCercaNome ON tCerca (Nome);

CREATE TABLE tCercaVeic (
  IdCercaVeic INTEGER PRIMARY KEY,
  IDTransp    INTEGER,
  IDFrota     INTEGER,
  IDVeiculo   INTEGER,
  IDCerca     INTEGER,
  Status      INTEGER,
  DataHora    TEXT,
  Origem      INTEGER          -- 1 = KORVATEL
);

-- ------------------------------------------------------------------ routes

CREATE TABLE tGrupoRota (
  IDGrupoRota INTEGER PRIMARY KEY,
  Nome        TEXT
);

CREATE TABLE tPerfilRota (
  idPerfil   INTEGER PRIMARY KEY,
  Nome       TEXT,
  Tolerancia INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE tRota (
  IDRota       INTEGER PRIMARY KEY,
  IDGrupoRota  INTEGER,
  Nome         TEXT,
  Rua          TEXT,
  Numero       TEXT,
  Cidade       TEXT,
  UF           TEXT,
  CEP          TEXT,
  Tolerancia   INTEGER,
  Acao         INTEGER,
  Extremidade1 TEXT,
  Extremidade2 TEXT,
  Obs          TEXT,
  idPerfil     INTEGER
);
CREATE INDEX ixRotaNome ON tRota (Nome);

-- The points of a route in order (IDPonto from 0); Origem tells read points
-- from generated ones.
CREATE TABLE tPontoRota (
  IDRota    INTEGER,
  IDPonto   INTEGER,
  Latitude  TEXT,
  Longitude TEXT,
  Origem    INTEGER,
  PRIMARY KEY (IDRota, IDPonto)
);

CREATE TABLE tRotaVeic (
  IdRotaVeic INTEGER PRIMARY KEY,
  IdTransp   INTEGER,
  IdFrota    INTEGER,
  IdVeiculo  INTEGER,
  IdRota     INTEGER,
  Status     INTEGER,
  DataHora   TEXT,
  Origem     INTEGER           -- 1 = KORVATEL
);

-- -------------------------------------------------------------- parameters

-- Defaults of the security modules: (1, 5) the default fence profile,
-- (2, 3) the default route profile.
CREATE TABLE tParam (
  IdModulo        INTEGER,
  IdParam         INTEGER,
  ValParamDefault TEXT,
  Descricao       TEXT,
  PRIMARY KEY (IdModulo, IdParam)
);
