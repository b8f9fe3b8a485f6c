-- params: IdTerminal, IdConfig, IdTerminalOrigem
-- Makes a vehicle use the stop-logistics configuration of another: the
-- messages of IdTerminalOrigem not yet sent are copied to IdTerminal.
INSERT INTO tCfgMensagemExtensaoLogistica (IdTerminal, IdSequencia, Sequencia, IdConfig, idMsg, TipoMsg, Origem)
SELECT :IdTerminal, 0, Sequencia, IdConfig, idMsg, TipoMsg, Origem
FROM tCfgMensagemExtensaoLogistica
WHERE IdTerminal = :IdTerminalOrigem AND IdConfig = :IdConfig AND ifnull(IdSequencia, 0) = 0
  AND :IdTerminal <> :IdTerminalOrigem
ORDER BY TipoMsg, Sequencia
