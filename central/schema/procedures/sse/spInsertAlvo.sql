-- params: IdAlvo, IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo, Ref_Alvo, End_Alvo, Num_Alvo, Com_Alvo, Bairro_Alvo, CEP_Alvo, Cid_Alvo, UF_Alvo, Fone1_Alvo, Fone2_Alvo, Fax_Alvo, Email_Alvo, Nabert_Alvo, Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, Dmanobra_Alvo, Tolerancia_Alvo, bmp_alvo, obs_alvo, NumOrdemRef, NumOrdemUser, PAbertBau, PManobra, idPerfil
-- A new target (IdAlvo empty or null: the next free id); answers its IdAlvo.
INSERT INTO tAlvo (IdAlvo, IdGrupo, Nome_Alvo, Lat_Alvo, Lon_Alvo, Ref_Alvo, End_Alvo, Num_Alvo, Com_Alvo,
                   Bairro_Alvo, CEP_Alvo, Cid_Alvo, UF_Alvo, Fone1_Alvo, Fone2_Alvo, Fax_Alvo, Email_Alvo,
                   Nabert_Alvo, Tabert_Alvo, Deseng_Alvo, Tmanobra_Alvo, Dmanobra_Alvo, Tolerancia_Alvo, bmp_alvo,
                   obs_alvo, NumOrdemRef, NumOrdemUser, PAbertBau, PManobra, idPerfil)
VALUES (nullif(:IdAlvo, ''), :IdGrupo, :Nome_Alvo, :Lat_Alvo, :Lon_Alvo, :Ref_Alvo, :End_Alvo, :Num_Alvo, :Com_Alvo,
        :Bairro_Alvo, :CEP_Alvo, :Cid_Alvo, :UF_Alvo, :Fone1_Alvo, :Fone2_Alvo, :Fax_Alvo, :Email_Alvo,
        :Nabert_Alvo, :Tabert_Alvo, :Deseng_Alvo, :Tmanobra_Alvo, :Dmanobra_Alvo, :Tolerancia_Alvo, :bmp_alvo,
        :obs_alvo, :NumOrdemRef, :NumOrdemUser, :PAbertBau, :PManobra, :idPerfil);
SELECT last_insert_rowid() AS IdAlvo
