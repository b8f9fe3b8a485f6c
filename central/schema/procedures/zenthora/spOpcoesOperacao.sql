-- params: IdOpcao
-- The configuration profiles of one kind (the templates, not yet sent).
SELECT IdConfig AS IdConfiguracao, Nome AS NomeConfiguracao
FROM tCfgPerfil
WHERE IdOpcao = :IdOpcao AND IdTerminal = 0 AND IdSequencia = 0
ORDER BY IdConfig
