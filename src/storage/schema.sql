-- Schema and initial rows of the configuration database.
-- Text columns hold UTF-8. Every registration row carries the name of its configuration file.

CREATE TABLE T_FileName (
    FileName   TEXT    NOT NULL UNIQUE,
    DeviceType INTEGER NOT NULL DEFAULT 0          -- 0 PX, 1 QX
);

CREATE TABLE T_Device1 (                           -- information machines
    DeviceNo INTEGER NOT NULL,                     -- pager number 0..499
    Address  TEXT,                                 -- radio address as typed
    Remark   TEXT,
    FileName TEXT    NOT NULL,
    TypeNo   INTEGER NOT NULL DEFAULT 0            -- receiver type, T_Type.TypeNo
);
CREATE INDEX I_Device1_File ON T_Device1 (FileName, DeviceNo);

CREATE TABLE T_Device2 (                           -- handheld callers
    DeviceNo INTEGER NOT NULL,                     -- 1..99
    Address  TEXT,                                 -- feature code, four hex digits
    Remark   TEXT,
    FileName TEXT    NOT NULL
);
CREATE INDEX I_Device2_File ON T_Device2 (FileName, DeviceNo);

CREATE TABLE T_Device3 (                           -- callers, one row per key
    CodeNo    TEXT    NOT NULL,                    -- 6 or 12 hex digits, last = key number
    CallNo    INTEGER,
    CallName  TEXT,
    KeyName   TEXT,
    DeviceNo1 INTEGER,
    DeviceNo2 INTEGER,
    DeviceNo3 INTEGER,
    DeviceNo4 INTEGER,
    DeviceNo5 INTEGER,
    DeviceNo6 INTEGER,
    DeviceNo7 INTEGER,
    DeviceNo8 INTEGER,
    ZhuiHu    INTEGER NOT NULL DEFAULT 0,          -- 0 none, 1 escalate, 2 cancel escalation
    CodeType  INTEGER,                             -- 0 short code, 1 long code
    FileName  TEXT    NOT NULL
);
CREATE INDEX I_Device3_File ON T_Device3 (FileName, CodeNo);

CREATE TABLE T_CallType (                          -- caller types
    TypeName   TEXT    NOT NULL UNIQUE,
    TypeNum    INTEGER NOT NULL DEFAULT 0,         -- key count
    TypeChoice INTEGER NOT NULL DEFAULT 0          -- bit k-1 set for key k
);

CREATE TABLE T_KeyName (
    KeyNo   INTEGER NOT NULL,
    KeyName TEXT
);

CREATE TABLE T_Type (                              -- receiver types
    TypeNo      INTEGER NOT NULL UNIQUE,
    TypeName    TEXT    NOT NULL,
    MachineType INTEGER NOT NULL,                  -- equal to TypeNo, so a read-back keeps the type
    Rate        INTEGER NOT NULL DEFAULT 0,        -- 0 = 512, 1 = 1200, 2 = 2400 baud
    Polarity    INTEGER NOT NULL DEFAULT 0         -- 0 = '+', 1 = '-'
);

CREATE VIEW Q_Device1Query AS
    SELECT T_Device1.DeviceNo AS DeviceNo,
           T_Device1.Address  AS Address,
           T_Device1.Remark   AS Remark,
           T_Device1.FileName AS FileName,
           T_Device1.TypeNo   AS TypeNo,
           T_Type.TypeName    AS TypeName,
           T_Type.MachineType AS MachineType,
           T_Type.Rate        AS Rate,
           T_Type.Polarity    AS Polarity
    FROM T_Device1 LEFT JOIN T_Type ON T_Type.TypeNo = T_Device1.TypeNo;

INSERT INTO T_Type (TypeNo, TypeName, MachineType, Rate, Polarity) VALUES
    (0, 'BX-2', 0, 0, 0),
    (1, 'LW2/LW1', 1, 0, 0),
    (2, 'num', 2, 1, 0),
    (3, 'en', 3, 1, 0),
    (4, 'LW3', 4, 0, 0);

INSERT INTO T_KeyName (KeyNo, KeyName) VALUES
    (1, '呼叫服务'),
    (2, '结账'),
    (3, '加水'),
    (4, '点菜'),
    (5, '取消'),
    (6, '按键6'),
    (7, '按键7'),
    (8, '按键8'),
    (9, '按键9');

INSERT INTO T_CallType (TypeName, TypeNum, TypeChoice) VALUES
    ('单键', 1, 1),
    ('双键', 2, 3),
    ('三键', 3, 7),
    ('四键', 4, 15),
    ('五键', 5, 31);
