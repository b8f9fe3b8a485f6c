-- params: Nome_Grupo
-- A new target group; answers its IdGrupo.
INSERT INTO tGrupo (Nome_Grupo, OrdemRecente) VALUES (:Nome_Grupo, '');
SELECT last_insert_rowid() AS IdGrupo
