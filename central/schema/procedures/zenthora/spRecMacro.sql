-- params: IdConfig, IdTerminal, Origem, DESABILITAR_GPRS, IdUsuario, IdSeqMsg
-- Queues the transmission of the vehicle's formatted-message definitions
-- (command 5C); answers the telecommand's IdSequencia.
INSERT INTO tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio, Origem, IdUsuario, DesabilitarGPRS,
                          Token1, DataHoraEm)
VALUES (:IdSeqMsg, :IdTerminal, 92, 16, :Origem, :IdUsuario, :DESABILITAR_GPRS,
        (SELECT group_concat(idMacro) FROM tMacroVeic WHERE idTerminal = :IdTerminal),
        datetime('now','localtime'));
SELECT last_insert_rowid() AS IdSequencia
