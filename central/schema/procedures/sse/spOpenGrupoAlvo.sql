-- params: Abertura, Nome_Grupo
-- The target group of that name; no row when there is none.
SELECT IdGrupo, Nome_Grupo, IDRef, OrdemRecente
FROM tGrupo
WHERE Nome_Grupo = :Nome_Grupo
ORDER BY IdGrupo
