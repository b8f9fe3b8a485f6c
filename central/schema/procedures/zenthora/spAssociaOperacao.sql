-- params: IdOperacao, IdTerminal, NomeOperacao, IdUsuario
-- Associates an operation with a vehicle; it waits (Status 0) for its
-- transmission.
INSERT INTO tTransOperacao (IdOperacao, IdTerminal, NomeOperacao, IdUsuario, Status, DtAssociacao)
VALUES (:IdOperacao, :IdTerminal, :NomeOperacao, :IdUsuario, 0, datetime('now','localtime'))
