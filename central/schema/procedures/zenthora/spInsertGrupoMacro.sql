-- params: Nome_Grupo, IdRef
-- Creates a group of formatted messages unless one of that name exists.
INSERT INTO tGrupoMacro (Nome_Grupo, IdRef)
SELECT :Nome_Grupo, :IdRef
WHERE NOT EXISTS (SELECT 1 FROM tGrupoMacro WHERE Nome_Grupo = :Nome_Grupo)
