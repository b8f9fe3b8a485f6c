-- params: IdTerminal, TipoAlvos, Persistencia, EmSobreposicao, Origem, DESABILITAR_GPRS, IdUsuario, IdSeqMsg
-- Queues the transmission of the vehicle's targets (command 30): the targets
-- associated with it in the security database are numbered in association
-- order and kept with the telecommand.
INSERT INTO tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio, Origem, IdUsuario, DesabilitarGPRS,
                          Token1, DataHoraEm)
VALUES (:IdSeqMsg, :IdTerminal, 48, 16, :Origem, :IdUsuario, :DESABILITAR_GPRS,
        :TipoAlvos || ',' || :Persistencia || ',' || :EmSobreposicao, datetime('now','localtime'));
WITH novo(IdSequencia) AS MATERIALIZED (SELECT last_insert_rowid())
INSERT INTO tCfgAlvoVeic (IdSequencia, IdTerminal, IdAlvo, NumOrdemRef, Nome_Alvo, TipoAlvos, Persistencia,
                          EmSobreposicao)
SELECT novo.IdSequencia, AV.IdVeiculo, A.IdAlvo, row_number() OVER (ORDER BY AV.IdAlvoVeic), A.Nome_Alvo,
       :TipoAlvos, :Persistencia, :EmSobreposicao
FROM novo, dbModRas.tAlvoVeic AS AV INNER JOIN dbModRas.tAlvo AS A ON A.IdAlvo = AV.IdAlvo
WHERE AV.IdVeiculo = :IdTerminal
