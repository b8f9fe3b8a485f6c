-- Demo contents of the electronic-security database.

INSERT INTO tGrupo (IdGrupo, Nome_Grupo, IDRef, OrdemRecente) VALUES
  (1, 'Clientes da Grande São Paulo', 0, ''),
  (2, 'Postos de abastecimento', 0, ''),
  (3, 'Portos', 0, '');

INSERT INTO tPerfilAlvo (idPerfil, Nome, Nabert_Alvo, Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, Dmanobra_Alvo,
                         Tolerancia_Alvo, PAbertBau, PManobra) VALUES
  (1, 'Cliente com descarga', 2, 60, 1, 10, 200, 300, 1, 1),
  (2, 'Parada rápida', 0, 0, 0, 5, 100, 150, 0, 1);

INSERT INTO tAlvo (IdAlvo, IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo, End_Alvo, Num_Alvo, Cid_Alvo, UF_Alvo, CEP_Alvo,
                   Fone1_Alvo, idPerfil) VALUES
  (1, 1, 'CD Andrade Guarulhos', '23°27''15.4" S', '46°31''59.8" W', 'Rod. Presidente Dutra', '2100', 'Guarulhos', 'SP', '07034-000', '11 4000-1001', 1),
  (2, 1, 'Cliente Mercado Central', '23°32''34.7" S', '46°37''44.3" W', 'Rua da Cantareira', '306', 'São Paulo', 'SP', '01024-000', '11 4000-1002', 1),
  (3, 1, 'Cliente Atacadão Osasco', '23°31''56.9" S', '46°47''30.1" W', 'Av. dos Autonomistas', '1400', 'Osasco', 'SP', '06020-010', '11 4000-1003', 1),
  (4, 1, 'Cliente Indústria Jundiaí', '23°11''11.0" S', '46°53''03.1" W', 'Av. Antônio Frederico Ozanam', '6000', 'Jundiaí', 'SP', '13213-000', '11 4000-1004', 1),
  (5, 2, 'Posto Graal Anhanguera', '23°04''12.0" S', '47°02''59.9" W', 'Rod. Anhanguera km 72', '', 'Louveira', 'SP', '13290-000', '11 4000-1005', 2),
  (6, 2, 'Posto Castelo Branco km 80', '23°24''36.0" S', '47°17''59.9" W', 'Rod. Castelo Branco km 80', '', 'Sorocaba', 'SP', '18000-000', '11 4000-1006', 2),
  (7, 2, 'Posto Régis Bittencourt km 370', '24°30''00.0" S', '47°51''00.0" W', 'Rod. Régis Bittencourt km 370', '', 'Registro', 'SP', '11900-000', '11 4000-1007', 2),
  (8, 3, 'Porto de Santos - Terminal 1', '23°57''38.8" S', '46°20''00.9" W', 'Av. Portuária', 's/n', 'Santos', 'SP', '11015-000', '11 4000-1008', 2);
UPDATE tAlvo SET (Nabert_Alvo, Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, Dmanobra_Alvo, Tolerancia_Alvo, PAbertBau, PManobra) =
  (SELECT Nabert_Alvo, Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, Dmanobra_Alvo, Tolerancia_Alvo, PAbertBau, PManobra
   FROM tPerfilAlvo WHERE tPerfilAlvo.idPerfil = tAlvo.idPerfil);

-- The first vehicles of the demo have the customers of the first group as targets.
INSERT INTO tAlvoVeic (IdTransp, IdFrota, IdVeiculo, IdAlvo, Status_AV, Sequencial, NumOrdemRef, NumOrdemUser, DataHora, Origem) VALUES
  (1, 1, 4096, 1, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (1, 1, 4096, 2, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (1, 1, 4096, 3, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (1, 1, 4096, 4, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (2, 3, 4097, 1, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (2, 3, 4097, 2, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (2, 3, 4097, 3, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (2, 3, 4097, 4, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (3, 5, 4098, 1, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (3, 5, 4098, 2, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (3, 5, 4098, 3, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (3, 5, 4098, 4, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (4, 7, 4099, 1, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (4, 7, 4099, 2, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (4, 7, 4099, 3, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (4, 7, 4099, 4, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (5, 9, 4100, 1, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (5, 9, 4100, 2, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (5, 9, 4100, 3, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0),
  (5, 9, 4100, 4, 3, 0, 0, 0, datetime('now','localtime','-2 days'), 0);

INSERT INTO tGrupoCerca (IDGrupoCerca, Nome) VALUES
  (1, 'Pátios'),
  (2, 'Áreas de risco'),
  (3, 'Passagens');

INSERT INTO tPerfilCerca (idPerfil, Nome, Formato, Tipo, Lado_A, Lado_B, EntLacreBau, SaiAtivaRastreador, EntAcao, SaiAcao) VALUES
  (1, 'Pátio (retângulo 200 x 100 m)', 1, 2, 200, 100, 0, 1, 0, 0),
  (2, 'Área restrita (círculo 500 m)', 0, 1, 500, 500, 1, 0, 2, 1),
  (3, 'Passagem (quadrado 1 km)', 1, 3, 1000, 1000, 0, 0, 0, 0);

INSERT INTO tCerca (IDCerca, IDGrupoCerca, Nome, Latitude, Longitude, Cidade, UF, idPerfil) VALUES
  (1, 1, 'Pátio Andrade Guarulhos', '23°27''17.9" S', '46°32''02.3" W', 'Guarulhos', 'SP', 1),
  (2, 1, 'Pátio Boa Vista Campinas', '22°54''20.1" S', '47°03''38.8" W', 'Campinas', 'SP', 1),
  (3, 2, 'Área restrita Marginal Tietê', '23°30''58.6" S', '46°37''31.0" W', 'São Paulo', 'SP', 2),
  (4, 2, 'Área de risco Rodoanel', '23°40''12.0" S', '46°52''11.9" W', 'Embu das Artes', 'SP', 2),
  (5, 3, 'Passagem Serra do Mar', '23°51''00.0" S', '46°25''47.9" W', 'Cubatão', 'SP', 3);
UPDATE tCerca SET (Formato, Tipo, Lado_A, Lado_B, EntDeslacreBau, EntDeslacreCabine, EntDeslacreCarreta, EntLibPortas,
                   EntDestrava, EntLibMov, EntLacreBau, EntLacreCabine, EntLacreCarreta, EntAcao, SaiLacreBau,
                   SaiLacreCabine, SaiLacreCarreta, SaiAcao, SaiAtivaRastreador) =
  (SELECT Formato, Tipo, Lado_A, Lado_B, EntDeslacreBau, EntDeslacreCabine, EntDeslacreCarreta, EntLibPortas,
          EntDestrava, EntLibMov, EntLacreBau, EntLacreCabine, EntLacreCarreta, EntAcao, SaiLacreBau,
          SaiLacreCabine, SaiLacreCarreta, SaiAcao, SaiAtivaRastreador
   FROM tPerfilCerca WHERE tPerfilCerca.idPerfil = tCerca.idPerfil);

INSERT INTO tCercaVeic (IDTransp, IDFrota, IDVeiculo, IDCerca, Status, DataHora, Origem) VALUES
  (1, 1, 4096, 1, 3, datetime('now','localtime','-2 days'), 0),
  (1, 1, 4096, 3, 3, datetime('now','localtime','-2 days'), 0),
  (2, 3, 4097, 1, 3, datetime('now','localtime','-2 days'), 0),
  (2, 3, 4097, 3, 3, datetime('now','localtime','-2 days'), 0),
  (3, 5, 4098, 1, 3, datetime('now','localtime','-2 days'), 0),
  (3, 5, 4098, 3, 3, datetime('now','localtime','-2 days'), 0),
  (4, 7, 4099, 1, 3, datetime('now','localtime','-2 days'), 0),
  (4, 7, 4099, 3, 3, datetime('now','localtime','-2 days'), 0),
  (5, 9, 4100, 1, 3, datetime('now','localtime','-2 days'), 0),
  (5, 9, 4100, 3, 3, datetime('now','localtime','-2 days'), 0);

INSERT INTO tGrupoRota (IDGrupoRota, Nome) VALUES
  (1, 'Rotas de distribuição'),
  (2, 'Rotas de transferência');

-- Tolerancia is an index of the corridor table 100, 200, 300, 400, 500, 1000,
-- 2000, 5000, 10000 m (0 to 8), as routes store it.
INSERT INTO tPerfilRota (idPerfil, Nome, Tolerancia) VALUES
  (1, 'Rodovia (tolerância 500 m)', 4),
  (2, 'Urbana (tolerância 100 m)', 0),
  (3, 'Estrada de terra (tolerância 1 km)', 5);

INSERT INTO tRota (IDRota, IDGrupoRota, Nome, Cidade, UF, Tolerancia, Acao, Extremidade1, Extremidade2, idPerfil) VALUES
  (1, 2, 'São Paulo - Campinas (Anhanguera)', 'São Paulo', 'SP', 4, 0, 'São Paulo', 'Campinas', 1),
  (2, 1, 'Centro - Guarulhos', 'São Paulo', 'SP', 0, 0, 'Mercado Central', 'CD Guarulhos', 2);
INSERT INTO tPontoRota (IDRota, IDPonto, Latitude, Longitude, Origem) VALUES
  (1, 0, '23°33''01.7" S', '46°37''59.8" W', 0),
  (1, 1, '23°29''23.9" S', '46°43''47.9" W', 0),
  (1, 2, '23°21''00.0" S', '46°49''47.9" W', 0),
  (1, 3, '23°11''11.0" S', '46°53''03.1" W', 0),
  (1, 4, '23°04''12.0" S', '47°00''00.0" W', 0),
  (1, 5, '22°54''20.1" S', '47°03''38.8" W', 0),
  (2, 0, '23°32''34.7" S', '46°37''44.3" W', 0),
  (2, 1, '23°31''11.9" S', '46°36''00.0" W', 0),
  (2, 2, '23°29''23.9" S', '46°33''36.0" W', 0),
  (2, 3, '23°27''15.4" S', '46°31''59.8" W', 0);

INSERT INTO tRotaVeic (IdTransp, IdFrota, IdVeiculo, IdRota, Status, DataHora, Origem) VALUES
  (1, 1, 4096, 1, 3, datetime('now','localtime','-2 days'), 0),
  (2, 3, 4097, 1, 3, datetime('now','localtime','-2 days'), 0),
  (3, 5, 4098, 1, 3, datetime('now','localtime','-2 days'), 0),
  (4, 7, 4099, 1, 3, datetime('now','localtime','-2 days'), 0),
  (5, 9, 4100, 1, 3, datetime('now','localtime','-2 days'), 0);

-- Defaults of the imports: fence profile 1, route profile 1.
INSERT INTO tParam (IdModulo, IdParam, ValParamDefault, Descricao) VALUES
  (1, 5, '1', 'Perfil padrão de cerca'),
  (2, 3, '1', 'Perfil padrão de rota');
