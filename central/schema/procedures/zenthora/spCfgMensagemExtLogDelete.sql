-- params: IdTerminal, TipoMsg
-- Removes the vehicle's configured stop-logistics messages of one type.
DELETE FROM tCfgMensagemExtensaoLogistica
WHERE IdTerminal = :IdTerminal AND TipoMsg = :TipoMsg AND IdConfig = 0
