-- Companion database of the Quarnel appliance family ("kolvex3.glo").
-- Normally filled by the import of the Quarnel text exports; the demo ships a small ready copy.
CREATE TABLE hersteller (id INTEGER PRIMARY KEY, hnr INTEGER, hersteller TEXT, vonwas INTEGER);
CREATE TABLE Waermedb (Id INTEGER PRIMARY KEY, Hersteller TEXT, Typ TEXT, Nennleistung NUMERIC, Abgastemperatur NUMERIC, Foerderdruck NUMERIC, Abgasmassenstrom NUMERIC, Bauart TEXT);
-- Search table the import refills after every WAERMEDB import.
CREATE TABLE waermedbfts (Hersteller TEXT, Typ TEXT);
