-- Rows of the code tables shipped in Medic_ins_NEW.mdb.
-- Every code fits a 16-bit signed integer (lists keep it as item data).

-- Municipalities of Kagoshima prefecture as of early 2007: 17 cities, then
-- the towns and villages by district.  Exactly 49 rows: the program's city
-- patch adds 50 屋久島町 (formed 2007-10-01 from 上屋久町 and 屋久町) and
-- 51 南九州市 (formed 2007-12-01 from 頴娃町, 知覧町 and 川辺町) only when the
-- table holds 49 rows.
INSERT INTO T_市町村 (code, name) VALUES
    ( 1, '鹿児島市'),
    ( 2, '鹿屋市'),
    ( 3, '枕崎市'),
    ( 4, '阿久根市'),
    ( 5, '出水市'),
    ( 6, '大口市'),
    ( 7, '指宿市'),
    ( 8, '西之表市'),
    ( 9, '垂水市'),
    (10, '薩摩川内市'),
    (11, '日置市'),
    (12, '曽於市'),
    (13, '霧島市'),
    (14, 'いちき串木野市'),
    (15, '南さつま市'),
    (16, '志布志市'),
    (17, '奄美市'),
    -- 鹿児島郡
    (18, '三島村'),
    (19, '十島村'),
    -- 揖宿郡
    (20, '頴娃町'),
    -- 川辺郡
    (21, '知覧町'),
    (22, '川辺町'),
    -- 薩摩郡
    (23, 'さつま町'),
    -- 出水郡
    (24, '長島町'),
    -- 伊佐郡
    (25, '菱刈町'),
    -- 姶良郡
    (26, '加治木町'),
    (27, '姶良町'),
    (28, '蒲生町'),
    (29, '湧水町'),
    -- 曽於郡
    (30, '大崎町'),
    -- 肝属郡
    (31, '東串良町'),
    (32, '錦江町'),
    (33, '南大隅町'),
    (34, '肝付町'),
    -- 熊毛郡
    (35, '中種子町'),
    (36, '南種子町'),
    (37, '上屋久町'),
    (38, '屋久町'),
    -- 大島郡
    (39, '大和村'),
    (40, '宇検村'),
    (41, '瀬戸内町'),
    (42, '龍郷町'),
    (43, '喜界町'),
    (44, '徳之島町'),
    (45, '天城町'),
    (46, '伊仙町'),
    (47, '和泊町'),
    (48, '知名町'),
    (49, '与論町');

-- Eras: the code is the era digit written before era dates in the
-- submission file.  The first row is the era the entry window starts with.
INSERT INTO T_元号 (code, name) VALUES
    (4, '平成'),
    (5, '令和');

-- Insurance kinds (one digit in the submission file).  Kind 1 is the one
-- whose insurer numbers carry a modulus-10 check digit.
INSERT INTO T_保険種別 (code, name) VALUES
    (1, '社保'),
    (2, '国保'),
    (3, '退職'),
    (4, 'その他');

INSERT INTO T_入外区分 (code, name) VALUES
    (1, '入院'),
    (2, '外来');

-- Departments: all codes have two digits, so two typed digits are always a
-- complete code, and each leading digit starts several codes.
INSERT INTO T_診療科 (code, name) VALUES
    (10, '内科'),
    (11, '呼吸器科'),
    (12, '消化器科'),
    (13, '循環器科'),
    (14, 'アレルギー科'),
    (15, '神経内科'),
    (16, '心療内科'),
    (17, '精神科'),
    (20, '小児科'),
    (21, '小児外科'),
    (30, '外科'),
    (31, '整形外科'),
    (32, '形成外科'),
    (33, '脳神経外科'),
    (34, '心臓血管外科'),
    (35, 'リハビリテーション科'),
    (40, '皮膚科'),
    (41, '泌尿器科'),
    (42, '産婦人科'),
    (43, '眼科'),
    (44, '耳鼻咽喉科'),
    (50, '放射線科'),
    (51, '麻酔科'),
    (60, '歯科'),
    (61, '小児歯科'),
    (62, '矯正歯科'),
    (63, '歯科口腔外科');

-- Ratios: the digit is the tenths of the cost that the patient pays.
INSERT INTO T_割合 (code, name) VALUES
    (1, '1割'),
    (2, '2割'),
    (3, '3割');

-- Institution kinds, as used by T_設定.type.
INSERT INTO T_機関種別 (code, name) VALUES
    (1, '医療機関'),
    (2, '施術機関');
