-- params: Nome
-- A new route group; answers its IDGrupoRota.
INSERT INTO tGrupoRota (Nome) VALUES (:Nome);
SELECT last_insert_rowid() AS IDGrupoRota
