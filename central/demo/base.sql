-- Demo contents of dbBase: the four communication modules of the demo base.
INSERT OR IGNORE INTO tModRas (ModCom, Descr, CCRO) VALUES
  (2, 'ModCom02 - GPRS', 0),
  (3, 'ModCom03 - GPRS', 0),
  (4, 'ModCom04 - Satélite', 0),
  (5, 'ModCom05 - Satélite', 0);
