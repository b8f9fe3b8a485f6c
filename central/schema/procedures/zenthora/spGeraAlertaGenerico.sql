-- params: IdTerminal, FusoHorario, IdOcorrencia
-- Raises a generic alert of the central (IdTerminal 0: not about a vehicle).
INSERT INTO tAlertaGenerico (IdTerminal, FusoHorario, IdOcorrencia, DataHora)
VALUES (:IdTerminal, :FusoHorario, :IdOcorrencia, datetime('now','localtime'))
