-- params: Nome
-- A new fence group; answers its IDGrupoCerca.
INSERT INTO tGrupoCerca (Nome) VALUES (:Nome);
SELECT last_insert_rowid() AS IDGrupoCerca
