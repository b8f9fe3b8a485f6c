-- params: IDTerminal, IDConfig, TituloListaParadas, TipoChegada, TipoSaida, ListaParadas, NaturezaOperacao, Origem, DESABILITAR_GPRS, Nome_Perfil, IdUsuario, IdSeqMsg
-- Queues the transmission of the vehicle's stop list (command E7): the list's
-- settings are kept with the telecommand and the configured messages not yet
-- sent are marked as sent by it.
INSERT INTO tTelecomando (IdSeqMsg, IdTerminal, CodMsg, StatusEnvio, Origem, IdUsuario, DesabilitarGPRS,
                          Token1, DataHoraEm)
VALUES (:IdSeqMsg, :IDTerminal, 231, 16, :Origem, :IdUsuario, :DESABILITAR_GPRS, :TituloListaParadas,
        datetime('now','localtime'));
INSERT INTO tCfgListaParadas (IdSequencia, IdTerminal, IdConfig, TituloListaParadas, TipoChegada, TipoSaida,
                              ListaParadas, NaturezaOperacao, Nome_Perfil)
VALUES (last_insert_rowid(), :IDTerminal, :IDConfig, :TituloListaParadas, :TipoChegada, :TipoSaida, :ListaParadas,
        :NaturezaOperacao, :Nome_Perfil);
UPDATE tCfgMensagemExtensaoLogistica SET IdSequencia = last_insert_rowid()
WHERE IdTerminal = :IDTerminal AND IdConfig = :IDConfig AND ifnull(IdSequencia, 0) = 0
