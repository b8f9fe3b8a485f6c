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
