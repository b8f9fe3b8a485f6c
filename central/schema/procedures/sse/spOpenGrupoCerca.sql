-- params: Abertura, Nome
-- The fence group of that name; no row when there is none.
SELECT IDGrupoCerca, Nome
FROM tGrupoCerca
WHERE Nome = :Nome
ORDER BY IDGrupoCerca
