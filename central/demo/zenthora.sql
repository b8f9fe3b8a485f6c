-- Demo contents of dbZenthora. Operators, vehicles and cities are added by
-- the program that builds the central.

-- Tracker models: 1 and 4 are GPRS units, 2 and 3 GPRS/satellite units
-- (3 is of the Zeta family), 5 is a legacy model not enabled for KORVATEL.
INSERT INTO tRastreador (Rastreador, Descricao, ListaKVT) VALUES
  (1, 'KR-100 GPRS', 1),
  (2, 'KR-200 GPRS/Satélite', 1),
  (3, 'Zeta Sat 3', 1),
  (4, 'KR-50 Compacto', 1),
  (5, 'Legado L1', 0);

-- Target capacity: the Zeta units always hold 1000 targets, the KR-200 from
-- firmware 2.0.0 on, the KR-100 between 2.1.0 and 2.3.0; every other unit 250.
INSERT INTO SuportaMilAlvos (Rastreador, VersaoDe, VersaoAte) VALUES
  (3, NULL, NULL),
  (2, '2.0.0', NULL),
  (1, '2.1.0', '2.3.0');

INSERT INTO tTransp (IdTransp, Transportadora) VALUES
  (1, 'Transportes Andrade Ltda'),
  (2, 'Rodoviário Boa Vista'),
  (3, 'Logística Cerrado S.A.'),
  (4, 'Expresso Litoral'),
  (5, 'Cargas Pampa Gaúcho');

INSERT INTO tFrota (IdFrota, Nome_Frota) VALUES
  (1, 'Andrade Pesados'),   (2, 'Andrade Leves'),
  (3, 'Boa Vista Norte'),   (4, 'Boa Vista Sul'),
  (5, 'Cerrado Graneleiros'), (6, 'Cerrado Baú'),
  (7, 'Litoral Frigorífico'), (8, 'Litoral Carga Seca'),
  (9, 'Pampa Tanques'),     (10, 'Pampa Porta-contêiner');

-- Field names of the event Posts (IdToken = the field id read as hexadecimal).
-- TipoToken '0': the field is not passed to the clients.
INSERT INTO tToken (IdToken, NomeToken, TipoToken) VALUES
  (1,   'Reservado1', '0'),            -- #1
  (2,   'ModCom', '0'),                -- #2
  (3,   'Base', '0'),                  -- #3
  (4,   'Posicao', '0'),               -- #4  position flag
  (5,   'CodMsg', '1'),                -- #5  event code
  (6,   'DataHoraEm', '1'),            -- #6
  (7,   'Reservado7', '0'),            -- #7
  (32,  'Evento', '1'),                -- #20
  (33,  'IdTerminal', '1'),            -- #21
  (34,  'DataHoraEvento', '1'),        -- #22
  (35,  'TempoLacre', '1'),            -- #23
  (36,  'ConfirmaLeitura', '1'),       -- #24
  (37,  'IdMensagem', '1'),            -- #25
  (38,  'Texto', '1'),                 -- #26 free text
  (39,  'IdStatus', '1'),              -- #27
  (40,  'StsEnvio', '1'),              -- #28
  (41,  'ConfirmaRecebimento', '1'),   -- #29
  (42,  'Velocidade', '1'),            -- #2A
  (43,  'Rumo', '1'),                  -- #2B
  (44,  'Hodometro', '1'),             -- #2C
  (45,  'Ignicao', '1'),               -- #2D
  (46,  'Latitude', '1'),              -- #2E
  (47,  'Longitude', '1'),             -- #2F
  (48,  'PosicaoInvalida', '1'),       -- #30
  (49,  'Satelites', '1'),             -- #31
  (54,  'CausaAutorizacao', '1'),      -- #36
  (56,  'EventoLogistico', '1'),       -- #38
  (57,  'RastreadorSolar', '1'),       -- #39
  (58,  'Complemento', '1'),           -- #3A
  (164, 'CallProgress', '1'),          -- #A4
  (176, 'IP', '1'),                    -- #B0
  (177, 'Porta', '1'),                 -- #B1
  (204, 'Operacao', '1'),              -- #CC
  (213, 'IdMensagemPre', '1'),         -- #D5
  (227, 'OperadoraCelular', '1'),      -- #E3
  (229, 'OperCelAOperar', '1'),        -- #E5
  (235, 'IdEvtPersonalizado', '1'),    -- #EB
  (240, 'SistemaEvtPersonalizado', '1'), -- #F0
  (249, 'Complemento2', '1'),          -- #F9
  (250, 'Complemento1', '1');          -- #FA

-- Programs of the central. Quillon's heartbeat is stale until the Quillon
-- stand-in runs; the KORVATEL rows are written by each server at start-up.
INSERT INTO tDiagnostico (CodigoPrograma, NomePrograma, DataHoraCarga, DataHoraUltimaAtualizacao,
                          IntervaloAtualizacao, Versao, Maquina, Ativo) VALUES
  (1, 'Quillon', datetime('now','localtime','-1 day'), datetime('now','localtime','-1 day'), 3, '4.10.7', 'CENTRAL01', 1),
  (2, 'Talvero Monitor', datetime('now','localtime','-1 day'), datetime('now','localtime','-1 day'), 60, '8.2.0', 'CENTRAL01', 1),
  (3, 'Talvero Relatorios', datetime('now','localtime','-7 days'), datetime('now','localtime','-7 days'), NULL, '8.1.3', 'CENTRAL02', 0);

-- Reference points, found with the cities by the location description.
INSERT INTO tRefer (Nome, Latitude, Longitude) VALUES
  ('Porto de Santos', -23.9608, -46.3336),
  ('CEAGESP São Paulo', -23.5370, -46.7390),
  ('Aeroporto de Guarulhos', -23.4356, -46.4731),
  ('Terminal Rodoviário Tietê', -23.5163, -46.6253),
  ('CD Cajamar', -23.3556, -46.8769),
  ('Refinaria de Paulínia', -22.7236, -47.1361),
  ('Porto de Paranaguá', -25.5003, -48.5192),
  ('Porto de Itajaí', -26.9078, -48.6619),
  ('Porto de Suape', -8.3939, -34.9597),
  ('Polo Industrial de Manaus', -3.1190, -60.0217),
  ('Porto de Rio Grande', -32.0569, -52.0881),
  ('Posto Fiscal de Registro', -24.4875, -47.8436);
UPDATE tRefresh SET Contador = 1 WHERE Tabela = 'tRefer';
INSERT OR IGNORE INTO tRefresh (Tabela, Contador) VALUES ('tUsuarioVeiculo', 1), ('tVeiculo_INS', 1);

-- Vehicle commands; ZETA 'S': may go by satellite.
INSERT INTO tMensagem (CodMsg, Descricao, ZETA) VALUES
  (1,   'Solicitação de posição', 'S'),
  (2,   'Bloqueio', 'S'),
  (3,   'Desbloqueio', 'S'),
  (17,  'Sirene', 'N'),
  (19,  'Mensagem livre', 'N'),
  (30,  'Autorização', 'N'),
  (92,  'Configuração de mensagens formatadas', 'N'),
  (95,  'Reinicialização', 'S'),
  (96,  'Mensagem pré-definida', 'S'),
  (106, 'Mensagem formatada', 'N'),
  (107, 'Mensagem binária', 'N'),
  (227, 'Troca de operadora celular', 'N'),
  (228, 'Parâmetros de comunicação', 'N'),
  (230, 'Lacre de motor temporizado', 'N'),
  (245, 'Complemento de lacre', 'N'),
  (246, 'Complemento de deslacre', 'N');

-- Pre-defined messages of the Zeta family: groups 31 to 42, row 0 the
-- heading that precedes each message of the group.
INSERT INTO tMensagemPre_Zeta (idMsg, idMsgSub, Mensagem, Visivel, Destino) VALUES
  (31, 0, 'Ocorrência: ', 1, 0),
  (31, 1, 'Pneu furado', 1, 0),
  (31, 2, 'Pane mecânica', 1, 0),
  (31, 3, 'Pane elétrica', 1, 0),
  (31, 4, 'Acidente sem vítimas', 1, 0),
  (31, 5, 'Acidente com vítimas', 1, 0),
  (32, 0, 'Cheguei ao cliente', 1, 0),
  (33, 0, 'Saindo do cliente', 1, 0),
  (34, 0, 'Parada: ', 1, 0),
  (34, 1, 'Refeição', 1, 0),
  (34, 2, 'Abastecimento', 1, 0),
  (34, 3, 'Pernoite', 1, 0),
  (34, 4, 'Fiscalização', 1, 0),
  (35, 0, 'Carga: ', 1, 0),
  (35, 1, 'Iniciando carregamento', 1, 0),
  (35, 2, 'Carregamento concluído', 1, 0),
  (35, 3, 'Iniciando descarga', 1, 0),
  (35, 4, 'Descarga concluída', 1, 0),
  (36, 0, 'Trânsito lento', 1, 0),
  (37, 0, 'Estrada interditada', 1, 0),
  (38, 0, 'Solicito contato telefônico', 1, 1),
  (39, 0, 'Atraso previsto: ', 1, 0),
  (39, 1, '30 minutos', 1, 0),
  (39, 2, '1 hora', 1, 0),
  (39, 3, 'mais de 2 horas', 1, 0),
  (40, 0, 'Documentação: ', 1, 0),
  (40, 1, 'Nota fiscal com divergência', 1, 0),
  (40, 2, 'Canhoto entregue', 1, 0),
  (41, 0, 'Veículo em manutenção', 1, 0),
  (42, 0, 'Fim de jornada', 1, 0);

-- Service plans: the commands the trackers of model 1 may receive.
INSERT INTO tlnk_planoXcomando (TX_Plano, idComandoHex) VALUES
  ('PLANO BASICO', '01'), ('PLANO BASICO', '02'), ('PLANO BASICO', '03'), ('PLANO BASICO', '13'),
  ('PLANO COMPLETO', '01'), ('PLANO COMPLETO', '02'), ('PLANO COMPLETO', '03'), ('PLANO COMPLETO', '11'),
  ('PLANO COMPLETO', '13'), ('PLANO COMPLETO', '1E'), ('PLANO COMPLETO', '5F'), ('PLANO COMPLETO', '60'),
  ('PLANO COMPLETO', '6B'), ('PLANO COMPLETO', 'E3'), ('PLANO COMPLETO', 'E4'), ('PLANO COMPLETO', 'E6'),
  ('PLANO COMPLETO', 'F5'), ('PLANO COMPLETO', 'F6');

-- Kinds of configuration and their profiles (templates: IdTerminal 0,
-- IdSequencia 0). Kinds 8 to 13 keep the direction flag of their profiles.
INSERT INTO tOpcoesOperacao (IdOpcao, NomeOpcao, CodMsgHex, TabelaConf, FlagCentralRastSeg) VALUES
  (1,  'Parâmetros de comunicação', 'E4', 'tCfgComunicacao', NULL),
  (2,  'Limites de velocidade', '70', 'tCfgVelocidade', NULL),
  (3,  'Tempo de parada', '71', 'tCfgParada', NULL),
  (4,  'Jornada de trabalho', '72', 'tCfgJornada', NULL),
  (5,  'Telemetria', '73', 'tCfgTelemetria', NULL),
  (6,  'Sensores', '74', 'tCfgSensores', NULL),
  (7,  'Teclado', '75', 'tCfgTeclado', NULL),
  (8,  'Segurança central para rastreador', '76', 'tCfgSegCentralRast', 'C'),
  (9,  'Segurança rastreador para central', '77', 'tCfgSegRastCentral', 'R'),
  (10, 'Atuadores', '78', 'tCfgAtuadores', 'C'),
  (11, 'Alarmes', '79', 'tCfgAlarmes', 'R'),
  (12, 'Botão de pânico', '7A', 'tCfgPanico', 'C'),
  (13, 'Bloqueio temporizado', '7B', 'tCfgBloqueio', 'R'),
  (23, 'Cercas', '32', NULL, NULL),
  (24, 'Rotas', '31', NULL, NULL),
  (30, 'Alvos', '30', NULL, NULL);

INSERT INTO tCfgPerfil (IdConfig, IdOpcao, Nome, FlagCentralRastSeg, FlagCentralSegRast, Parametros) VALUES
  (101, 1, 'GPRS padrão (posição a cada 2 min)', NULL, NULL, 'intervalo=120'),
  (102, 1, 'Satélite econômico (a cada 30 min)', NULL, NULL, 'intervalo=1800'),
  (201, 2, 'Rodovia 80 km/h', NULL, NULL, 'limite=80'),
  (202, 2, 'Urbano 60 km/h', NULL, NULL, 'limite=60'),
  (301, 3, 'Parada máxima 30 min', NULL, NULL, 'minutos=30'),
  (401, 4, 'Jornada 8 h + 2 h extras', NULL, NULL, 'horas=8;extras=2'),
  (501, 5, 'Telemetria completa', NULL, NULL, 'rpm=1;temperatura=1'),
  (601, 6, 'Baú e portas', NULL, NULL, 'bau=1;portas=1'),
  (701, 7, 'Teclado padrão', NULL, NULL, NULL),
  (801, 8, 'Lacre de baú por senha', 'C', NULL, NULL),
  (901, 9, 'Aviso de violação', 'R', NULL, NULL),
  (1001, 10, 'Sirene e pisca', NULL, 'C', NULL),
  (1101, 11, 'Alarme de desengate', NULL, 'R', NULL),
  (1201, 12, 'Pânico silencioso', 'C', NULL, NULL),
  (1301, 13, 'Bloqueio após 5 min', 'R', NULL, NULL);

-- The commands that transmit configurations, so the operation status names
-- each item's command.
INSERT OR IGNORE INTO tMensagem (CodMsg, Descricao, ZETA) VALUES
  (48,  'Configuração de alvos', 'N'),
  (49,  'Configuração de rotas', 'N'),
  (50,  'Configuração de cercas', 'N'),
  (112, 'Configuração de limites de velocidade', 'N'),
  (113, 'Configuração de tempo de parada', 'N'),
  (114, 'Configuração de jornada de trabalho', 'N'),
  (115, 'Configuração de telemetria', 'N'),
  (116, 'Configuração de sensores', 'N'),
  (117, 'Configuração de teclado', 'N'),
  (118, 'Configuração de segurança central para rastreador', 'N'),
  (119, 'Configuração de segurança rastreador para central', 'N'),
  (120, 'Configuração de atuadores', 'N'),
  (121, 'Configuração de alarmes', 'N'),
  (122, 'Configuração de botão de pânico', 'N'),
  (123, 'Configuração de bloqueio temporizado', 'N'),
  (231, 'Lista de paradas', 'N');

INSERT INTO tOperacao (IdOperacao, Nome) VALUES
  (1, 'Viagem de longa distância'),
  (2, 'Entrega urbana'),
  (3, 'Carga de alto valor');

INSERT INTO tItensOperacao (IdOperacao, IDConfiguracao, NomeConfiguracao, IdOpcao, NomeOpcaoConf) VALUES
  (1, 101, 'GPRS padrão (posição a cada 2 min)', 1, 'Parâmetros de comunicação'),
  (1, 201, 'Rodovia 80 km/h', 2, 'Limites de velocidade'),
  (1, 401, 'Jornada 8 h + 2 h extras', 4, 'Jornada de trabalho'),
  (2, 101, 'GPRS padrão (posição a cada 2 min)', 1, 'Parâmetros de comunicação'),
  (2, 202, 'Urbano 60 km/h', 2, 'Limites de velocidade'),
  (2, 301, 'Parada máxima 30 min', 3, 'Tempo de parada'),
  (3, 102, 'Satélite econômico (a cada 30 min)', 1, 'Parâmetros de comunicação'),
  (3, 801, 'Lacre de baú por senha', 8, 'Segurança central para rastreador'),
  (3, 1301, 'Bloqueio após 5 min', 13, 'Bloqueio temporizado');

-- Formatted messages of the consoles (idMacro and Hash: the hash as a signed
-- 32-bit number; TE and TC stored negated), associated with two vehicles.
INSERT INTO tGrupoMacro (IdGrupo, Nome_Grupo, IdRef) VALUES (1, 'Formulários de entrega', NULL);
INSERT INTO tCfgMacro (idMacro, idultimo, Titulo, Terminal, idGrupo, Enviado, Hash, TE, TC) VALUES
  (439041101, 0, 'ENTREGA REALIZADA', 5, 1, 1, 439041101, 1, 1),
  (12648430, 0, 'OCORRENCIA NA VIAGEM', 5, 1, 1, 12648430, 1, 1);
INSERT INTO tCfgMacroCampos (idMacro, idCampo, Hash, Nome, Tipo, Tam, lin, col, alin, Obrig) VALUES
  (439041101, 1, 439041101, 'NOTA FISCAL', 1, 10, 1, 1, 1, 1),
  (439041101, 2, 439041101, 'RECEBEDOR', 1, 20, 3, 1, 1, 1),
  (439041101, 3, 439041101, 'HORA', 6, 8, 5, 1, 1, 0),
  (12648430, 1, 12648430, 'TIPO', 5, 5, 1, 1, 1, 1),
  (12648430, 2, 12648430, 'DESCRICAO', 1, 40, 3, 1, 1, 0);
INSERT INTO tMacroVeic (idMacro, idTerminal, Status, Central, IdSeq) VALUES
  (439041101, 4102, 3, 0, 1), (12648430, 4102, 3, 0, 2),
  (439041101, 4103, 3, 0, 1), (12648430, 4103, 3, 0, 2);

-- Stop-logistics (ELP) messages: types 0 and 1 arrival, 2 departure; the
-- first vehicle has a configuration waiting for transmission.
INSERT INTO tMensagemExtensaoLogistica (idMsg, TipoMsg, Mensagem, Visivel) VALUES
  (1, 0, 'CHEGADA CLIENTE', 1),
  (2, 0, 'AGUARDANDO DOCA', 1),
  (3, 1, 'INICIO DESCARGA', 1),
  (4, 1, 'FIM DESCARGA', 1),
  (5, 2, 'SAIDA CLIENTE', 1),
  (6, 2, 'RETORNO A BASE', 1),
  (7, 2, 'MENSAGEM ANTIGA', 0);
INSERT INTO tCfgMensagemExtensaoLogistica (IdTerminal, IdConfig, idMsg, TipoMsg, Sequencia, IdSequencia, Origem) VALUES
  (4096, 0, 1, 0, 1, 0, 1), (4096, 0, 2, 0, 2, 0, 1),
  (4096, 0, 3, 1, 2, 0, 1), (4096, 0, 4, 1, 3, 0, 1),
  (4096, 0, 5, 2, 1, 0, 1), (4096, 0, 6, 2, 2, 0, 1);

-- Custom events and the vehicle inputs they report (key = Modulo * 65536 +
-- Porta; TipoCompilador: 2 byte, 3 signed 16-bit, 6 unsigned 32-bit,
-- 8 single real, 10 logical, 14 date and time).
INSERT INTO tDef_Modulo_Porta (Modulo, Porta, Descricao, TipoCompilador) VALUES
  (1, 1, 'Temperatura do baú', 3),
  (1, 2, 'Nível de combustível', 2),
  (1, 3, 'Tensão da bateria', 8),
  (2, 1, 'Hodômetro', 6),
  (2, 2, 'Data e hora da leitura', 14),
  (2, 3, 'Porta do baú aberta', 10);
INSERT INTO tDef_Variavel (Modulo, Porta, TipoLogico, SQL_Processo, Identificador) VALUES
  (1, 1, 'N', NULL, 'TemperaturaBau'),
  (1, 2, 'N', NULL, 'NivelCombustivel'),
  (1, 3, 'N', NULL, 'TensaoBateria'),
  (2, 1, 'N', NULL, 'Hodometro'),
  (2, 2, 'D', NULL, 'DataHoraLeitura'),
  (2, 3, 'L', NULL, 'PortaBau');
INSERT INTO tEventoPersonalizado (IdEvento, Sistema, Descricao, Tipo, Modulo1_Porta1, Modulo2_Porta2, Modulo3_Porta3) VALUES
  (1, 0, 'Temperatura fora da faixa', 'Alerta', 65537, 65539, 0),
  (2, 0, 'Abastecimento', 'Informativo', 65538, 131073, 131074),
  (3, 0, 'Abertura do baú', 'Alarme', 131075, 65537, 0),
  (90, 1, 'Reinicialização do equipamento', 'Sistema', 131074, 0, 0);

-- The network of centrals: vehicles 4386 to 4395 are configured from the
-- partner central, which bars the block command (2) for them; vehicles 4096
-- to 4100 pass their data on to a client central.
INSERT INTO tCentral (IdCentral, Nome, IP, Port) VALUES
  (1, 'Central Talvero São Paulo', '127.0.0.1', 12000),
  (2, 'Central Parceira Curitiba', '10.20.30.40', 12000),
  (3, 'Central Cliente Recife', '10.50.60.70', 12001);
WITH RECURSIVE n(i) AS (SELECT 4386 UNION ALL SELECT i + 1 FROM n WHERE i < 4395)
INSERT INTO tConfigCentral (IdTerminal, idopcaoconfig, IpCentralOrigem, PortCentralOrigem)
SELECT i, 1, '10.20.30.40', 12000 FROM n;
INSERT INTO tCentralDestinoPermissoes (ipcentralorigem, ipcentraldestino, tipomsg, codmsg) VALUES
  ('10.20.30.40', '127.0.0.1', 'TC', 2);
WITH RECURSIVE n(i) AS (SELECT 4096 UNION ALL SELECT i + 1 FROM n WHERE i < 4100)
INSERT INTO tCentralDestino (IdTerminal, IpCentralDestino, PortCentralDestino)
SELECT i, '10.50.60.70', 12001 FROM n;

-- Sensors of the first twenty vehicles.
WITH RECURSIVE n(i) AS (SELECT 4096 UNION ALL SELECT i + 1 FROM n WHERE i < 4115)
INSERT INTO tVeicSensor (idTerminal, StrSensor1, UsoSensor1, StrSensor2, UsoSensor2)
SELECT i, 'Porta do baú', 1, 'Temperatura', i % 2 FROM n;

-- Tracker catalogue rules: model 1 follows its plan; the GPRS/satellite units
-- and four models of the maker's catalogue take pre-defined messages; the Zeta
-- family from firmware 3.0 takes free texts by satellite, from 3.2 also
-- formatted messages.
INSERT INTO tRegraRastreadorKVT (Regra, Rastreador, VersaoMinima, VersaoMaxima) VALUES
  ('ModeloComPlano', 1, NULL, NULL),
  ('ModelosMensagemPre', 2, NULL, NULL),
  ('ModelosMensagemPre', 3, NULL, NULL),
  ('ModelosMensagemPre', 6, NULL, NULL),
  ('ModelosMensagemPre', 7, NULL, NULL),
  ('ModelosMensagemPre', 8, NULL, NULL),
  ('ModelosMensagemPre', 9, NULL, NULL),
  ('AceitaTextoSatelite', 3, '3.0', NULL),
  ('AceitaFormatadaSatelite', 3, '3.2', NULL);
