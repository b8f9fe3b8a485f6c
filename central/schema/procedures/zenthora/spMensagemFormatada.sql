-- params: IdTerminal, Mensagem, ConfirmaRecebimento, Hash, Origem, DESABILITAR_GPRS, IdUsuario, IdSeqMsg, IdMensagem
-- A filled-in formatted message for the vehicle (command 6A): the text in
-- field 26, the message id and the receipt confirmation in Token2 (the hash
-- names the definition for the client only). Answers the telecommand's
-- IdSequencia.
INSERT INTO tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio, Origem, IdUsuario, DesabilitarGPRS,
                          Token1, Token2, DataHoraEm)
VALUES (:IdSeqMsg, :IdTerminal, 106, 16, :Origem, :IdUsuario, :DESABILITAR_GPRS,
        '26,' || length(CAST(:Mensagem AS BLOB)) || ',' || :Mensagem,
        '25,' || length(CAST(:IdMensagem AS TEXT)) || ',' || :IdMensagem || '#29,1,' || :ConfirmaRecebimento,
        datetime('now','localtime'));
INSERT INTO tMensagemEnv (IdSequencia, Texto, StsConfirmacao, StsConfReceb, IdMensagem, DataHora)
VALUES (last_insert_rowid(), :Mensagem, 'N', :ConfirmaRecebimento, :IdMensagem, datetime('now','localtime'));
SELECT last_insert_rowid() AS IdSequencia
