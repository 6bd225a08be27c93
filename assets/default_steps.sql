-- The step table the program ships with: a short sample program the user edits in the
-- grid. Fields by position: an id, volts, amperes, seconds.
CREATE TABLE QZ7150PPS1 (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  "U（V）" REAL,
  "A（A）" REAL,
  "T（S）" REAL
);
INSERT INTO QZ7150PPS1 ("U（V）", "A（A）", "T（S）") VALUES (5, 1, 3);
INSERT INTO QZ7150PPS1 ("U（V）", "A（A）", "T（S）") VALUES (10, 2, 2);
INSERT INTO QZ7150PPS1 ("U（V）", "A（A）", "T（S）") VALUES (12, 1.5, 5);
INSERT INTO QZ7150PPS1 ("U（V）", "A（A）", "T（S）") VALUES (3.3, 0.5, 4);
