-- params: IDConfig, IDTerminal, Tabela, CodMsg, FlagCentralRastSeg, Tecnologia
-- Associates a configuration profile (the template IDConfig of the kind whose
-- profiles Tabela holds) with a vehicle: the vehicle gets its own copy, sent
-- by a telecommand of code CodMsg, whose sequence is the negative of its
-- IdSequencia, so that its status events reach its row alone.
INSERT INTO tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio, Token1, DataHoraEm)
VALUES (0, :IDTerminal, :CodMsg, 16, :Tabela || ',' || :IDConfig || ',' || :Tecnologia, datetime('now','localtime'));
UPDATE tTelecomando SET IdSeqMsg = -IdSequencia WHERE IdSequencia = last_insert_rowid();
INSERT INTO tCfgPerfil (IdConfig, IdOpcao, Nome, IdTerminal, IdSequencia, FlagCentralRastSeg, FlagCentralSegRast,
                        Tecnologia, Parametros)
SELECT P.IdConfig, P.IdOpcao, P.Nome, :IDTerminal, last_insert_rowid(), P.FlagCentralRastSeg, P.FlagCentralSegRast,
       :Tecnologia, P.Parametros
FROM tCfgPerfil AS P INNER JOIN tOpcoesOperacao AS O ON P.IdOpcao = O.IdOpcao
WHERE P.IdConfig = :IDConfig AND P.IdTerminal = 0 AND P.IdSequencia = 0 AND O.TabelaConf = :Tabela
LIMIT 1
