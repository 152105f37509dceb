-- Form library of Brela. Booleans are stored as 1 (true) and 0 (false).
CREATE TABLE Forms (
    FormID        INTEGER NOT NULL PRIMARY KEY,
    FormDescr     TEXT,
    FormHeight    REAL DEFAULT 0,
    FormWidth     REAL DEFAULT 0,
    FormUnit      TEXT,
    FormCPI       INTEGER DEFAULT 12,
    FormMarTop    REAL DEFAULT 0,
    FormMarBot    REAL DEFAULT 0,
    FormMarLeft   REAL DEFAULT 0,
    FormMarRight  REAL DEFAULT 0,
    FormLock      INTEGER DEFAULT 0,
    FormItemOrder TEXT DEFAULT 'CDP',
    FormPrModel   TEXT DEFAULT 'QM540',
    FormChanged   TEXT,             -- last save, 'yyyy-MM-dd HH:mm:ss' local time; NULL before it was kept
    FormVersion   INTEGER DEFAULT 0 -- saves so far: a desk's save checks that no other desk saved since it opened
);

CREATE TABLE Zone (
    FormID        INTEGER NOT NULL,
    ZoneID        INTEGER NOT NULL,
    ZoneDescr     TEXT,
    ZoneTop       INTEGER DEFAULT 0,
    ZoneBot       INTEGER DEFAULT 0,
    ZoneLeft      INTEGER DEFAULT 0,
    ZoneRight     INTEGER DEFAULT 0,
    ZoneMinHeight INTEGER DEFAULT 0,
    ZoneMinWidth  INTEGER DEFAULT 0,
    ZoneRequiered INTEGER DEFAULT 0,
    ZoneHoriFree  INTEGER DEFAULT 0,
    ZoneVisible   INTEGER DEFAULT 0,
    ZoneParent    INTEGER DEFAULT 0,
    PRIMARY KEY (FormID, ZoneID)
);

CREATE TABLE Message (
    FormID        INTEGER NOT NULL,
    ZoneID        INTEGER DEFAULT 0,
    MsgID         INTEGER NOT NULL,
    MsgDesc       TEXT,
    MsgText       TEXT DEFAULT '',
    MsgMaxLength  INTEGER DEFAULT 40,
    MsgVisible    INTEGER DEFAULT 0,
    MsgRequiered  INTEGER DEFAULT 0,
    MsgSystem     INTEGER DEFAULT 0,
    MsgIDOut      INTEGER DEFAULT 0,
    MsgHide       INTEGER DEFAULT 0,
    PRIMARY KEY (FormID, MsgID)
);

-- Serial port settings: one row; in a library shared by several desks, one
-- per desk (PortDesk). PortDevice and the adapter columns are added on opening.
CREATE TABLE PortConfig (
    PortNmb       INTEGER DEFAULT 1,
    PORTCFG       TEXT DEFAULT '9600, N, 8, 1',
    PortDesk      TEXT
);

INSERT INTO PortConfig (PortNmb, PORTCFG) VALUES (1, '9600, N, 8, 1');
