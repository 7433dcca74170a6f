-- Rows of the large synthetic main database, run after demo/kolvex_schema.sql
-- and after a line that sets the scale k:
--   CREATE TEMP TABLE bench_scale (k INTEGER NOT NULL); INSERT INTO bench_scale VALUES (1);
-- Everything derives from row counters and k, so every run yields the same
-- file: 600k manufacturers, 20,000k appliances (2,000k of manufacturer 58,
-- 1,000k of 550), 200,000k value sets, 5,000k group rows in 250k groups,
-- 2,000k attachments, 1,000k fire chambers and 500 building materials. No
-- indexes beyond the schema's own. With k = 1 the rows of the first
-- appliances and value sets are those of every larger k.
--
-- Id layout (ranges: 58 owns appliances 25000-27500 and value sets
-- 70000-75000, 550 owns 20000-22500 and 60000-65000):
--   appliances of 58:  19000-19499 (old, outside the range), 25000-26499,
--                      beyond k = 1 every tenth id from 30000 on
--   appliances of 550: 20000-20999, beyond k = 1 one id in twenty from 30001 on
--   other appliances:  1-17171, every multiple of 100 left free, beyond k = 1
--                      the other ids from 30000 on
--   value sets:        1-59999 without the multiples of 1000 (others),
--                      60000-62999 (550), 70000-73999 (58), from 100001 on (mixed)
PRAGMA journal_mode=OFF;
PRAGMA synchronous=OFF;
BEGIN TRANSACTION;

WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n
                        WHERE i < 600 * (SELECT k FROM bench_scale))
INSERT INTO Hersteller (Id, Name, Strasse, PLZ, Ort, Tirma, VonWas, hnr)
SELECT i,
       CASE WHEN i = 58 THEN 'Kaminwerk Nordheim'
            WHEN i = 550 THEN 'Brunner & Söhne'
            WHEN i % 37 = 0 THEN printf('Ofenbau O''Neill %d', i)
            ELSE printf('Hersteller %03d', i) END,
       printf('Werkstraße %d', i % 97 + 1),
       printf('%05d', 10000 + (i * 7919) % 89999),
       printf('Ort %d', i % 211),
       CASE WHEN i % 13 = 0 THEN 0 ELSE 1 END,
       i % 3,
       i
FROM n;

INSERT INTO Bildkategorie VALUES (1, 'Kaminofen');
INSERT INTO Bildkategorie VALUES (2, 'Kachelofen');
INSERT INTO Bildkategorie VALUES (3, 'Heizeinsatz');
INSERT INTO Bildkategorie VALUES (4, 'Herd');
INSERT INTO Bildkategorie VALUES (5, 'Pelletofen');

-- Appliance number n (0 to 20,000k - 1) -> TirmaId and manufacturer.
CREATE TEMP TABLE appl (n INTEGER PRIMARY KEY, id INTEGER, hrst INTEGER);
WITH RECURSIVE c(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM c
                        WHERE n < 20000 * (SELECT k FROM bench_scale) - 1)
INSERT INTO appl
SELECT n,
       CASE WHEN n < 500 THEN 19000 + n
            WHEN n < 2000 THEN 25000 + n - 500
            WHEN n < 3000 THEN 20000 + n - 2000
            WHEN n < 20000 THEN (n - 2999) + (n - 3000) / 99
            ELSE 10000 + n END,
       CASE WHEN n < 2000 THEN 58
            WHEN n < 3000 THEN 550
            WHEN n >= 20000 AND n % 10 = 0 THEN 58
            WHEN n >= 20000 AND n % 20 = 1 THEN 550
            ELSE (SELECT CASE WHEN h IN (58, 550) THEN h + 1 ELSE h END
                  FROM (SELECT 1 + (n * 7) % (600 * (SELECT k FROM bench_scale)) AS h)) END
FROM c;

INSERT INTO Geraete (TirmaId, HrstId, Typ, Typ1, Typ2, Typ3, Variante, TYPZUSATZ, hand,
                     TirmaAlt, FLAG_M, FLAG_R, AACHEN, DUSSELDORF, O_15A, CH_LRV11, CEZEICHEN,
                     DINPLUS, RAUMLUFTUNABHENGIG, BREITE, TIEFE, HOEHE, DHA, NORMTYPPR,
                     PRUEFSTELLE, PRUEFSTELLENR, DINPLUSREGNR, A_FR, ERFASSDAT)
SELECT id, hrst,
       printf('Typ %d', n),
       printf('Reihe %d', n % 40),
       CASE WHEN n % 5 = 0 THEN NULL ELSE printf('Modell %d', n % 300) END,
       CASE WHEN n % 17 = 0 THEN 'Kamin''s Bester' ELSE '' END,
       printf('V%d', n % 4),
       CASE n % 3 WHEN 0 THEN 'W' WHEN 1 THEN 'K' ELSE '' END,
       CASE WHEN n % 101 = 0 THEN 1 ELSE 0 END,
       CASE WHEN n < 500 THEN 1 ELSE 0 END,
       n % 2, (n / 2) % 2, (n / 3) % 2, (n / 5) % 2, (n / 7) % 2, (n / 11) % 2,
       1, (n / 13) % 2, (n / 17) % 2,
       400 + n % 600, 350 + n % 400, 900 + n % 800, 120 + 10 * (n % 11),
       printf('EN 13240 %d', n % 9),
       printf('Prüfstelle %d', n % 12),
       printf('PS-%05d', n),
       CASE WHEN (n / 13) % 2 = 1 THEN printf('DIN+ %04d', n) ELSE NULL END,
       (n % 50) / 100.0,
       printf('%04d-%02d-%02d', 2000 + n % 25, 1 + n % 12, 1 + n % 28)
FROM appl;

-- Value set number i (1 to 200,000k) -> WerteId and the appliance number it belongs to.
CREATE TEMP TABLE vs (i INTEGER PRIMARY KEY, id INTEGER, appl INTEGER);
WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c
                        WHERE i < 200000 * (SELECT k FROM bench_scale))
INSERT INTO vs
SELECT i,
       CASE WHEN i <= 59940 THEN i + (i - 1) / 999
            WHEN i <= 62940 THEN 60000 + i - 59941
            WHEN i <= 66940 THEN 70000 + i - 62941
            ELSE 100001 + i - 66941 END,
       CASE WHEN i <= 59940 THEN 3000 + i % 17000
            WHEN i <= 62940 THEN 2000 + i % 1000
            WHEN i <= 66940 THEN 500 + i % 1500
            ELSE i % (20000 * (SELECT k FROM bench_scale)) END
FROM c;

INSERT INTO Werte (WerteId, Geraet, Bemerkung, ERFASSDAT, BildId, Opt_Kat, BEMERKUNGID,
                   AUSATZRINGEID, dinplus, hand, BRST, DBGESCH, DBTEILLAST, DBOFFEN, KEINKZ,
                   WLO, WLO2G, ZWSH, HYP, MEHRFACHBELEG, M, TW, PW, CO2, DHNHF, STUTZENLISTE,
                   QN, QF, QHE, QW, QFR, V_LUFT, PWMAX, ABSTANDHK, ABSTANDSTB, ULGITTERVBL,
                   ZUGITTER, DHW, FGHOEHE, FGBREITE, L1, QN_NHF, BETA, ULGITTERAUL, MBS, MAB,
                   BREITE, HOEHE, TIEFE, DHA)
SELECT vs.id, appl.id,
       CASE WHEN vs.i % 7 = 0 THEN NULL
            WHEN vs.i % 23 = 0 THEN 'Betreiber''s Angabe'
            ELSE printf('Kenndaten %d', vs.i) END,
       printf('%04d-%02d-%02d', 2000 + vs.i % 25, 1 + vs.i % 12, 1 + vs.i % 28),
       1 + vs.i % 40,
       1 + vs.i % 5,
       CASE WHEN vs.i > 66941 AND vs.i % 20 = 0 THEN vs.id - 1 ELSE 0 END,
       CASE WHEN vs.i > 66941 AND vs.i % 20 = 0
            THEN 1 + vs.i % (2000 * (SELECT k FROM bench_scale)) ELSE 0 END,
       (vs.i / 3) % 2,
       CASE WHEN vs.i % 211 = 0 THEN 1 ELSE 0 END,
       CASE vs.i % 3 WHEN 0 THEN 'Holz' WHEN 1 THEN 'Braunkohle' ELSE 'Holz, Braunkohle' END,
       vs.i % 2, (vs.i / 2) % 2, (vs.i / 5) % 2, (vs.i / 7) % 2, (vs.i / 11) % 2,
       (vs.i / 13) % 2, (vs.i / 17) % 2, (vs.i / 19) % 2, (vs.i / 23) % 2,
       5.0 + (vs.i % 90) / 10.0,
       200 + vs.i % 250,
       10 + vs.i % 15,
       7.0 + (vs.i % 60) / 10.0,
       CASE WHEN vs.i % 4 = 0 THEN 0 ELSE 150 + 10 * (vs.i % 6) END,
       CASE WHEN vs.i % 9 = 0 THEN '150;180' ELSE '150' END,
       4.0 + (vs.i % 120) / 10.0,
       5.0 + (vs.i % 140) / 10.0,
       (vs.i % 30) / 10.0,
       (vs.i % 50) / 10.0,
       (vs.i % 20) / 10.0,
       (vs.i % 80) + 20,
       12 + vs.i % 20,
       CASE WHEN vs.i % 2 = 0 THEN 0 ELSE 200 + vs.i % 300 END,
       CASE WHEN vs.i % 3 = 0 THEN 0 ELSE 800 + vs.i % 400 END,
       vs.i % 200,
       vs.i % 150,
       200 + vs.i % 30,
       400 + vs.i % 200,
       300 + vs.i % 200,
       CASE WHEN vs.i % 5 = 0 THEN NULL ELSE 1.5 + (vs.i % 10) / 10.0 END,
       CASE WHEN vs.i % 20 = 0 THEN 4.0 + (vs.i % 50) / 10.0 ELSE 0 END,
       (vs.i % 45) / 100.0,
       vs.i % 120,
       (vs.i % 25) / 10.0,
       (vs.i % 35) / 10.0,
       400 + vs.i % 600,
       900 + vs.i % 800,
       350 + vs.i % 400,
       120 + 10 * (vs.i % 11)
FROM vs JOIN appl ON appl.n = vs.appl;

WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c
                        WHERE i < 5000 * (SELECT k FROM bench_scale))
INSERT INTO gruppen (BEZEICHNUNG, werteid)
SELECT CASE WHEN i % (250 * (SELECT k FROM bench_scale)) = 0 THEN 'Prüfung ''alt'''
            ELSE printf('Gruppe %d', i % (250 * (SELECT k FROM bench_scale))) END,
       (SELECT id FROM vs WHERE vs.i = 1 + (c.i * 39) % (200000 * (SELECT k FROM bench_scale)))
FROM c;

WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c
                        WHERE i < 2000 * (SELECT k FROM bench_scale))
INSERT INTO Aufsatz (Id, HrstId, Bezeichnung, BildId, DeltaQN, DeltaDruck, DeltaTemp, DHNHF,
                     StutzenListe)
SELECT i,
       CASE WHEN i <= 100 * (SELECT k FROM bench_scale) THEN 58
            WHEN i <= 150 * (SELECT k FROM bench_scale) THEN 550
            ELSE 1 + (i * 11) % (600 * (SELECT k FROM bench_scale)) END,
       CASE WHEN i % 29 = 0 THEN printf('Speicher''s Aufsatz %d', i)
            ELSE printf('Aufsatz %d', i) END,
       1 + i % 40,
       (i % 30) / 10.0, (i % 20) / 10.0, -(i % 50), 150 + 10 * (i % 6), '150'
FROM c;

WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c
                        WHERE i < 1000 * (SELECT k FROM bench_scale))
INSERT INTO Gkostand (Id, HrstId, Typ, Breite, Tiefe, Hoehe, Rostflaeche, Bemerkung)
SELECT i, 1 + (i * 13) % (600 * (SELECT k FROM bench_scale)), printf('Feuerraum %d', i), 300 + i % 200, 250 + i % 150,
       400 + i % 300, (i % 40) / 100.0,
       CASE WHEN i % 9 = 0 THEN NULL ELSE printf('Bemerkung %d', i) END
FROM c;

WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 500)
INSERT INTO Baustoffe (Id, Bezeichnung, Rohdichte, Lambda, LambdaBer, Waermekapazitaet, Bemerkung)
SELECT i, printf('Baustoff %d', i), 100 + (i * 37) % 2400, 0.03 + (i % 200) / 100.0,
       printf('%.3f', 0.03 + (i % 200) / 100.0 + 0.01), 0.8 + (i % 5) / 10.0,
       CASE WHEN i % 11 = 0 THEN 'Herstellers Angabe' ELSE NULL END
FROM c;

COMMIT;
DROP TABLE appl;
DROP TABLE vs;
DROP TABLE bench_scale;
