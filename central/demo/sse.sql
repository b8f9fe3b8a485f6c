-- Demo contents of the electronic-security database.
SELECT 1;
