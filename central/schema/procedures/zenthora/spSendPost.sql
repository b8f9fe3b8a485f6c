-- params: IdBase, ModCom, Post
-- A command Post for Quillon (pause D0, resume D1).
INSERT INTO tCmdPost (IdBase, ModCom, DHEntrada, Post)
VALUES (:IdBase, :ModCom, datetime('now','localtime'), :Post)
