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
  IdGrupo    INTEGER PRIMARY KEY,
  Nome_Grupo TEXT
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
