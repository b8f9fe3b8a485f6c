-- params: IdTerminal, IdSequencia, Sequencia, IdConfig, IdMsg, TipoMsg, Origem
-- Puts a message into a vehicle's stop-logistics configuration.
INSERT INTO tCfgMensagemExtensaoLogistica (IdTerminal, IdSequencia, Sequencia, IdConfig, idMsg, TipoMsg, Origem)
VALUES (:IdTerminal, :IdSequencia, :Sequencia, :IdConfig, :IdMsg, :TipoMsg, :Origem)
