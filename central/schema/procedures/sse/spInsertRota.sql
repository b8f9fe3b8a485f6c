-- params: IDGrupoRota, Nome, Rua, Numero, Cidade, UF, CEP, Tolerancia, Acao, Extremidade1, Extremidade2, Obs, IdPerfil
-- A new route (its points are written apart); answers its IDRota.
INSERT INTO tRota (IDGrupoRota, Nome, Rua, Numero, Cidade, UF, CEP, Tolerancia, Acao, Extremidade1, Extremidade2,
                   Obs, idPerfil)
VALUES (:IDGrupoRota, :Nome, :Rua, :Numero, :Cidade, :UF, :CEP, :Tolerancia, :Acao, :Extremidade1, :Extremidade2,
        :Obs, :IdPerfil);
SELECT last_insert_rowid() AS IDRota
