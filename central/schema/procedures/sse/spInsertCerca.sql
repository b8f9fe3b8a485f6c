-- params: IDGrupoCerca, Nome, Latitude, Longitude, Referencia, Cidade, UF, CEP, Endereco, Numero, Bairro, Complemento, Fone1, Fone2, Fax, obs, Formato, Tipo, Lado_A, Lado_B, EntDeslacreBau, EntDeslacreCabine, EntDeslacreCarreta, EntLibPortas, EntDestrava, EntLibMov, EntLacreBau, EntLacreCabine, EntLacreCarreta, EntAcao, SaiLacreBau, SaiLacreCabine, SaiLacreCarreta, SaiAtivaRastreador, SaiAcao, idPerfil
-- A new fence; answers its IDCerca.
INSERT INTO tCerca (IDGrupoCerca, Nome, Latitude, Longitude, Referencia, Cidade, UF, CEP, Endereco, Numero, Bairro,
                    Complemento, Fone1, Fone2, Fax, Obs, Formato, Tipo, Lado_A, Lado_B, EntDeslacreBau,
                    EntDeslacreCabine, EntDeslacreCarreta, EntLibPortas, EntDestrava, EntLibMov, EntLacreBau,
                    EntLacreCabine, EntLacreCarreta, EntAcao, SaiLacreBau, SaiLacreCabine, SaiLacreCarreta,
                    SaiAtivaRastreador, SaiAcao, idPerfil)
VALUES (:IDGrupoCerca, :Nome, :Latitude, :Longitude, :Referencia, :Cidade, :UF, :CEP, :Endereco, :Numero, :Bairro,
        :Complemento, :Fone1, :Fone2, :Fax, :obs, :Formato, :Tipo, :Lado_A, :Lado_B, :EntDeslacreBau,
        :EntDeslacreCabine, :EntDeslacreCarreta, :EntLibPortas, :EntDestrava, :EntLibMov, :EntLacreBau,
        :EntLacreCabine, :EntLacreCarreta, :EntAcao, :SaiLacreBau, :SaiLacreCabine, :SaiLacreCarreta,
        :SaiAtivaRastreador, :SaiAcao, :idPerfil);
SELECT last_insert_rowid() AS IDCerca
