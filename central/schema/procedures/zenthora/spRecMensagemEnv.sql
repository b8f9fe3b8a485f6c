-- params: IdSequencia, Texto, StsConfirmacao, StsConfReceb, IdMensagem
-- Keeps the text of a free-text or pre-defined message sent as telecommand
-- IdSequencia; StsConfirmacao 'P' asks for a read confirmation, 'N' does not.
INSERT OR REPLACE INTO tMensagemEnv (IdSequencia, Texto, StsConfirmacao, StsConfReceb, IdMensagem, DataHora)
VALUES (:IdSequencia, :Texto, :StsConfirmacao, :StsConfReceb, :IdMensagem, datetime('now','localtime'))
