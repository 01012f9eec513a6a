-- Layout 1.10 of the Hotaru database (Medic_ins.mdb).
--
-- The declared types are read by the record layer, which converts assigned
-- values by them: SMALLINT for the 16-bit codes, INTEGER for 32-bit whole
-- numbers, DATE for dates (stored as 'YYYY-MM-DD' text), DECIMAL for the
-- data version, TEXT for everything typed as digits or names (so leading
-- zeros survive).  The data tables carry one constraint each, the unique key
-- of a row; no field is NOT NULL: the program writes Nulls wherever the
-- layout lets a field stay empty.
-- The program never creates or alters a table; this file is run once, by the
-- build, to make the template Medic_ins_NEW.mdb.

-- Settings: at most one row, no key.  The file ships without a row.
CREATE TABLE T_設定 (
    type            SMALLINT,   -- institution kind (T_機関種別)
    kencd           TEXT,       -- prefecture part of the institution number (kind 1)
    tencd           TEXT,       -- point-table part of the institution number (kind 1)
    no              TEXT,       -- institution number, seven digits
    eda             TEXT,       -- branch part of the institution number (kind 2)
    name            TEXT,       -- institution name
    insurance       SMALLINT,   -- default insurance kind (T_保険種別)
    hospitalization SMALLINT,   -- default inpatient/outpatient kind (T_入外区分)
    treatment       SMALLINT,   -- default department (T_診療科)
    request         DATE,       -- current claim month, first day of the month
    path            TEXT,       -- folder of the last submission file
    Ver             DECIMAL     -- data version
);

-- Recipients (the children), one row per city code and recipient number.
CREATE TABLE T_基本 (
    code            TEXT,       -- city code, text form of a T_市町村 code
    recipient       TEXT,       -- recipient number
    name            TEXT,       -- child's name, full-width
    birthday        DATE,       -- date of birth
    n_insurance     SMALLINT,   -- usual insurance kind (T_保険種別)
    n_insurance_no  TEXT,       -- usual insurer number
    n_ratio         SMALLINT,   -- usual ratio (T_割合)
    PublicPay1      TEXT,       -- first public-expense number
    PublicPay2      TEXT        -- second public-expense number
);
CREATE UNIQUE INDEX IX_T_基本_key ON T_基本 (code, recipient);

-- Claim rows, one per child, treatment month and branch number.
CREATE TABLE T_データ (
    code            TEXT,       -- city code (as in T_基本)
    recipient       TEXT,       -- recipient number (as in T_基本)
    diagnosis       DATE,       -- treatment month, first day of the month
    eda             INTEGER,    -- branch number within child and month
    total           INTEGER,    -- total points (kind 1) or claimed amount in yen
    payment         INTEGER,    -- co-payment actually paid, in yen
    request         DATE,       -- claim month of the row, first day of the month
    insurance       SMALLINT,   -- insurance kind (T_保険種別)
    insurance_no    TEXT,       -- insurer number
    hospitalization SMALLINT,   -- inpatient/outpatient kind (T_入外区分)
    ratio           SMALLINT,   -- ratio (T_割合)
    treatment       SMALLINT,   -- department (T_診療科), Null when none
    PublicPay1      TEXT,       -- first public-expense number
    PublicPay2      TEXT        -- second public-expense number
);
CREATE UNIQUE INDEX IX_T_データ_key ON T_データ (code, recipient, diagnosis, eda);
CREATE INDEX IX_T_データ_request ON T_データ (request);

-- Work table of the branch-number reference: the stored branches of one
-- child and month, refilled each time.
CREATE TABLE WK_データ (
    枝番            INTEGER,    -- branch number (T_データ.eda)
    氏名            TEXT,       -- child's name (T_基本.name)
    保険者番号      TEXT,       -- insurer number (T_データ.insurance_no)
    合計点数        INTEGER,    -- total points or amount (T_データ.total)
    自己負担支払額  INTEGER     -- co-payment (T_データ.payment)
);

-- Code tables.  Codes are shown in lists as code + ':' + name and kept as the
-- entry's item data, hence 16-bit.
CREATE TABLE T_市町村 (
    code SMALLINT PRIMARY KEY,
    name TEXT NOT NULL
);

CREATE TABLE T_元号 (
    code SMALLINT PRIMARY KEY,
    name TEXT NOT NULL
);

CREATE TABLE T_保険種別 (
    code SMALLINT PRIMARY KEY,
    name TEXT NOT NULL
);

CREATE TABLE T_入外区分 (
    code SMALLINT PRIMARY KEY,
    name TEXT NOT NULL
);

CREATE TABLE T_診療科 (
    code SMALLINT PRIMARY KEY,
    name TEXT NOT NULL
);

CREATE TABLE T_割合 (
    code SMALLINT PRIMARY KEY,
    name TEXT NOT NULL
);

CREATE TABLE T_機関種別 (
    code SMALLINT PRIMARY KEY,
    name TEXT NOT NULL
);
