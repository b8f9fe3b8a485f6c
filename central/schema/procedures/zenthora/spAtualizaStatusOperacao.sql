-- params: IdTransOperacao
-- Marks an operation transmission as made.
UPDATE tTransOperacao
SET Status = 1, DtTransmissao = ifnull(DtTransmissao, datetime('now','localtime'))
WHERE IdTransOperacao = :IdTransOperacao
