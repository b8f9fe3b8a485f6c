-- params: TipoMsg, Mensagem
-- Stores a stop-logistics message text (once per type and text); answers its
-- IdMsg.
INSERT INTO tMensagemExtensaoLogistica (TipoMsg, Mensagem, Visivel)
SELECT :TipoMsg, :Mensagem, 1
WHERE NOT EXISTS (SELECT 1 FROM tMensagemExtensaoLogistica WHERE TipoMsg = :TipoMsg AND Mensagem = :Mensagem);
SELECT min(idMsg) AS IdMsg FROM tMensagemExtensaoLogistica WHERE TipoMsg = :TipoMsg AND Mensagem = :Mensagem
