-- params: IdTransOperacao, IdConfiguracao, NomeConfiguracao, IDOpcao, NomeOpcaoConf, IDTerminal, Origem, DESABILITAR_GPRS, IdUsuario, IdSeqMsg
-- Queues the transmission of one configuration (kind IDOpcao) to a vehicle:
-- a telecommand with the kind's command code. An item of an operation
-- transmission (IdTransOperacao > 0) is recorded with its telecommand; a
-- vehicle's profile of the kind is marked as sent by it. Answers the
-- telecommand's IdSequencia, or 0 when nothing is stored: an unknown kind, or
-- a configuration that is no profile of its kind (kinds kept in a profile
-- table, TabelaConf, send only the profiles of that table). A
-- telecommand queued without a client's sequence (IdSeqMsg 0, the items of an
-- operation) gets its own, the negative of its IdSequencia, so that the status
-- events of each reach its row alone.
WITH RECURSIVE
  codigo(texto) AS (SELECT upper(CodMsgHex) FROM tOpcoesOperacao
                    WHERE IdOpcao = :IDOpcao
                      AND EXISTS (SELECT 1 FROM tOpcoesOperacao AS O
              WHERE O.IdOpcao = :IDOpcao
                AND (ifnull(O.TabelaConf, '') = ''
                     OR EXISTS (SELECT 1 FROM tCfgPerfil AS P
                                WHERE P.IdOpcao = O.IdOpcao AND P.IdConfig = :IdConfiguracao
                                  AND P.IdTerminal = 0 AND P.IdSequencia = 0)))),
  digito(i, valor) AS (
    SELECT 0, 0
    UNION ALL
    SELECT i + 1, valor * 16 + max(instr('0123456789ABCDEF', substr(texto, i + 1, 1)) - 1, 0)
    FROM digito, codigo
    WHERE i < length(texto)
  )
INSERT INTO tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio, Origem, IdUsuario, DesabilitarGPRS,
                          Token1, DataHoraEm)
SELECT :IdSeqMsg, :IDTerminal, (SELECT valor FROM digito ORDER BY i DESC LIMIT 1), 16, :Origem, :IdUsuario,
       :DESABILITAR_GPRS, :IDOpcao || ',' || :IdConfiguracao || ',' || ifnull(:NomeConfiguracao, ''),
       datetime('now','localtime')
WHERE EXISTS (SELECT 1 FROM codigo);
UPDATE tTelecomando SET IdSeqMsg = -IdSequencia
WHERE IdSequencia = last_insert_rowid() AND IdSeqMsg = 0
  AND EXISTS (SELECT 1 FROM tOpcoesOperacao AS O
              WHERE O.IdOpcao = :IDOpcao
                AND (ifnull(O.TabelaConf, '') = ''
                     OR EXISTS (SELECT 1 FROM tCfgPerfil AS P
                                WHERE P.IdOpcao = O.IdOpcao AND P.IdConfig = :IdConfiguracao
                                  AND P.IdTerminal = 0 AND P.IdSequencia = 0)));
UPDATE tCfgPerfil SET IdSequencia = last_insert_rowid()
WHERE IdTerminal = :IDTerminal AND IdConfig = :IdConfiguracao AND IdOpcao = :IDOpcao AND IdSequencia <> 0
  AND EXISTS (SELECT 1 FROM tOpcoesOperacao AS O
              WHERE O.IdOpcao = :IDOpcao
                AND (ifnull(O.TabelaConf, '') = ''
                     OR EXISTS (SELECT 1 FROM tCfgPerfil AS P
                                WHERE P.IdOpcao = O.IdOpcao AND P.IdConfig = :IdConfiguracao
                                  AND P.IdTerminal = 0 AND P.IdSequencia = 0)));
INSERT INTO tTransItensOperacao (IdTransOperacao, IdConfiguracao, IdOpcao, IdSequencia)
SELECT :IdTransOperacao, :IdConfiguracao, :IDOpcao, last_insert_rowid()
WHERE :IdTransOperacao > 0
  AND EXISTS (SELECT 1 FROM tOpcoesOperacao AS O
              WHERE O.IdOpcao = :IDOpcao
                AND (ifnull(O.TabelaConf, '') = ''
                     OR EXISTS (SELECT 1 FROM tCfgPerfil AS P
                                WHERE P.IdOpcao = O.IdOpcao AND P.IdConfig = :IdConfiguracao
                                  AND P.IdTerminal = 0 AND P.IdSequencia = 0)));
SELECT CASE
         WHEN NOT EXISTS (SELECT 1 FROM tOpcoesOperacao AS O
              WHERE O.IdOpcao = :IDOpcao
                AND (ifnull(O.TabelaConf, '') = ''
                     OR EXISTS (SELECT 1 FROM tCfgPerfil AS P
                                WHERE P.IdOpcao = O.IdOpcao AND P.IdConfig = :IdConfiguracao
                                  AND P.IdTerminal = 0 AND P.IdSequencia = 0))) THEN 0
         WHEN :IdTransOperacao > 0 THEN (SELECT IdSequencia FROM tTransItensOperacao WHERE rowid = last_insert_rowid())
         ELSE last_insert_rowid()
       END AS IdSequencia
