-- params: Abertura, Nome_Grupo
-- The group of formatted messages of that name (Abertura: how the central's
-- screens open it; every value reads the same group here).
SELECT IdGrupo, Nome_Grupo, IdRef
FROM tGrupoMacro
WHERE Nome_Grupo = :Nome_Grupo
ORDER BY IdGrupo
