-- params: MSG_CmdAvulso, IdTerminal, Origem, DESABILITAR_GPRS, IdUsuario, Token1, Token2, IdSeqMsg
-- A stand-alone vehicle command: one telecommand row waiting for the vehicle
-- (state 16); the code arrives as hexadecimal text and is stored as a number.
-- Answers the row's IdSequencia.
WITH RECURSIVE digito(i, valor) AS (
  SELECT 0, 0
  UNION ALL
  SELECT i + 1, valor * 16 + max(instr('0123456789ABCDEF', upper(substr(:MSG_CmdAvulso, i + 1, 1))) - 1, 0)
  FROM digito
  WHERE i < length(:MSG_CmdAvulso)
)
INSERT INTO tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio, Origem, IdUsuario, DesabilitarGPRS,
                          Token1, Token2, DataHoraEm)
SELECT :IdSeqMsg, :IdTerminal, (SELECT valor FROM digito ORDER BY i DESC LIMIT 1), 16, :Origem, :IdUsuario,
       :DESABILITAR_GPRS, :Token1, :Token2, datetime('now','localtime');
SELECT last_insert_rowid() AS IdSequencia
