-- Demo contents of dbBase: the four communication modules of the demo base.
INSERT OR IGNORE INTO tModRas (ModCom, Descr, CCRO) VALUES
  (2, 'ModCom02 - GPRS', 0),
  (3, 'ModCom03 - GPRS', 0),
  (4, 'ModCom04 - Satélite', 0),
  (5, 'ModCom05 - Satélite', 0);

-- Quillon's statistics: the newest record of version 3 is the one reported
-- (1234 events and 17 commands waiting, 85 events and 3 commands a second).
INSERT INTO tView (Versao, DHAtualizacao, Buffer) VALUES
  (3, datetime('now','localtime','-1 hour'), X'6400000002000000280000000100000000000000'),
  (3, datetime('now','localtime'), X'D204000011000000550000000300000000000000');
