-- The word list served as patchdata/badword.db. "음란물" marks pornography;
-- any other req names the party that asked for the restriction.
CREATE TABLE badword (oneword TEXT, req TEXT);
INSERT INTO badword VALUES ('야동', '음란물');
INSERT INTO badword VALUES ('포르노', '음란물');
INSERT INTO badword VALUES ('성인영상', '음란물');
INSERT INTO badword VALUES ('개봉영화', '한국저작권보호원');
INSERT INTO badword VALUES ('불법복제', '한국저작권보호원');
INSERT INTO badword VALUES ('음원유출', '한국음악저작권협회');
