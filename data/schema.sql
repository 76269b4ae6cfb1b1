-- The Reelkeeper catalogue: thirteen tables, six stored queries, and the "Unknown" row (key 1)
-- of every lookup table. Text compares without regard to case, as the catalogue always has.
PRAGMA application_id = 1380273483; -- 'RKPK': marks the file as a Reelkeeper catalogue
PRAGMA user_version = 1;

BEGIN;

CREATE TABLE [tbl_Director] (
    [Director_ID] INTEGER PRIMARY KEY,
    [Director] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Director_Director] ON [tbl_Director] ([Director]);
INSERT INTO [tbl_Director] ([Director_ID], [Director]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Producer] (
    [Producer_ID] INTEGER PRIMARY KEY,
    [Producer] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Producer_Producer] ON [tbl_Producer] ([Producer]);
INSERT INTO [tbl_Producer] ([Producer_ID], [Producer]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Executive_Producer] (
    [Executive_Producer_ID] INTEGER PRIMARY KEY,
    [Executive_Producer] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Executive_Producer_Executive_Producer] ON [tbl_Executive_Producer] ([Executive_Producer]);
INSERT INTO [tbl_Executive_Producer] ([Executive_Producer_ID], [Executive_Producer]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Composer] (
    [Composer_ID] INTEGER PRIMARY KEY,
    [Composer] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Composer_Composer] ON [tbl_Composer] ([Composer]);
INSERT INTO [tbl_Composer] ([Composer_ID], [Composer]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Writer] (
    [Writer_ID] INTEGER PRIMARY KEY,
    [Writer] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Writer_Writer] ON [tbl_Writer] ([Writer]);
INSERT INTO [tbl_Writer] ([Writer_ID], [Writer]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Screenplay] (
    [Screenplay_ID] INTEGER PRIMARY KEY,
    [Screenwriter] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Screenplay_Screenwriter] ON [tbl_Screenplay] ([Screenwriter]);
INSERT INTO [tbl_Screenplay] ([Screenplay_ID], [Screenwriter]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Cinematographer] (
    [Cinematographer_ID] INTEGER PRIMARY KEY,
    [Cinematographer] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Cinematographer_Cinematographer] ON [tbl_Cinematographer] ([Cinematographer]);
INSERT INTO [tbl_Cinematographer] ([Cinematographer_ID], [Cinematographer]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Studio] (
    [Studio_ID] INTEGER PRIMARY KEY,
    [Studio] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Studio_Studio] ON [tbl_Studio] ([Studio]);
INSERT INTO [tbl_Studio] ([Studio_ID], [Studio]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Genre] (
    [Genre_ID] INTEGER PRIMARY KEY,
    [Genre] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Genre_Genre] ON [tbl_Genre] ([Genre]);
INSERT INTO [tbl_Genre] ([Genre_ID], [Genre]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Format] (
    [Format_ID] INTEGER PRIMARY KEY,
    [Format] TEXT COLLATE NOCASE
);
CREATE INDEX [idx_tbl_Format_Format] ON [tbl_Format] ([Format]);
INSERT INTO [tbl_Format] ([Format_ID], [Format]) VALUES (1, 'Unknown');

CREATE TABLE [tbl_Movie_Title] (
    [Movie_ID] INTEGER PRIMARY KEY,
    [Movie_Title] TEXT COLLATE NOCASE,
    [Director_ID] INTEGER NOT NULL DEFAULT 1,
    [Producer_ID] INTEGER NOT NULL DEFAULT 1,
    [Executive_Producer_ID] INTEGER NOT NULL DEFAULT 1,
    [Composer_ID] INTEGER NOT NULL DEFAULT 1,
    [Writer_ID] INTEGER NOT NULL DEFAULT 1,
    [Screenplay_ID] INTEGER NOT NULL DEFAULT 1,
    [Cinematographer_ID] INTEGER NOT NULL DEFAULT 1,
    [Studio_ID] INTEGER NOT NULL DEFAULT 1,
    [Genre_ID] INTEGER NOT NULL DEFAULT 1,
    [Format_ID] INTEGER NOT NULL DEFAULT 1,
    [Length] TEXT COLLATE NOCASE,
    [Year_Released] TEXT COLLATE NOCASE,
    [Grade] TEXT COLLATE NOCASE,
    [Rating] TEXT COLLATE NOCASE,
    [Widescreen] BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX [idx_tbl_Movie_Title_Movie_Title] ON [tbl_Movie_Title] ([Movie_Title]);
CREATE INDEX [idx_tbl_Movie_Title_Year_Released] ON [tbl_Movie_Title] ([Year_Released]);
CREATE INDEX [idx_tbl_Movie_Title_Director_ID] ON [tbl_Movie_Title] ([Director_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Producer_ID] ON [tbl_Movie_Title] ([Producer_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Executive_Producer_ID] ON [tbl_Movie_Title] ([Executive_Producer_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Composer_ID] ON [tbl_Movie_Title] ([Composer_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Writer_ID] ON [tbl_Movie_Title] ([Writer_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Screenplay_ID] ON [tbl_Movie_Title] ([Screenplay_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Cinematographer_ID] ON [tbl_Movie_Title] ([Cinematographer_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Studio_ID] ON [tbl_Movie_Title] ([Studio_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Genre_ID] ON [tbl_Movie_Title] ([Genre_ID]);
CREATE INDEX [idx_tbl_Movie_Title_Format_ID] ON [tbl_Movie_Title] ([Format_ID]);

CREATE TABLE [tbl_Actor] (
    [Actor_ID] INTEGER PRIMARY KEY,
    [Actor_Last_Name] TEXT COLLATE NOCASE,
    [Actor_First_Name] TEXT COLLATE NOCASE
);
-- The display name "Last, First" is how every window finds an actor.
CREATE INDEX [idx_tbl_Actor_Display] ON [tbl_Actor]
    ((ifnull([Actor_Last_Name], '') || ', ' || ifnull([Actor_First_Name], '')) COLLATE NOCASE);

CREATE TABLE [tbl_Actor_Movie_Join] (
    [Actor_ID] INTEGER NOT NULL,
    [Movie_ID] INTEGER NOT NULL
);
CREATE INDEX [idx_tbl_Actor_Movie_Join_Actor_ID] ON [tbl_Actor_Movie_Join] ([Actor_ID]);
CREATE INDEX [idx_tbl_Actor_Movie_Join_Movie_ID] ON [tbl_Actor_Movie_Join] ([Movie_ID]);

-- One row per movie with the names of its credits; title order.
CREATE VIEW [qry_Movie_Title] AS
SELECT m.[Movie_Title] AS [Movie_Title],
    [tbl_Director].[Director] AS [Director],
    [tbl_Producer].[Producer] AS [Producer],
    [tbl_Writer].[Writer] AS [Writer],
    [tbl_Screenplay].[Screenwriter] AS [Screenwriter],
    [tbl_Composer].[Composer] AS [Composer],
    [tbl_Executive_Producer].[Executive_Producer] AS [Executive_Producer],
    [tbl_Cinematographer].[Cinematographer] AS [Cinematographer],
    [tbl_Genre].[Genre] AS [Genre],
    [tbl_Studio].[Studio] AS [Studio],
    [tbl_Format].[Format] AS [Format],
    m.[Length] AS [Length],
    m.[Year_Released] AS [Year_Released],
    m.[Grade] AS [Grade],
    m.[Rating] AS [Rating],
    m.[Widescreen] AS [Widescreen],
    m.[Movie_ID] AS [Movie_ID]
FROM [tbl_Movie_Title] AS m
    LEFT JOIN [tbl_Director] ON [tbl_Director].[Director_ID] = m.[Director_ID]
    LEFT JOIN [tbl_Producer] ON [tbl_Producer].[Producer_ID] = m.[Producer_ID]
    LEFT JOIN [tbl_Executive_Producer] ON [tbl_Executive_Producer].[Executive_Producer_ID] = m.[Executive_Producer_ID]
    LEFT JOIN [tbl_Composer] ON [tbl_Composer].[Composer_ID] = m.[Composer_ID]
    LEFT JOIN [tbl_Writer] ON [tbl_Writer].[Writer_ID] = m.[Writer_ID]
    LEFT JOIN [tbl_Screenplay] ON [tbl_Screenplay].[Screenplay_ID] = m.[Screenplay_ID]
    LEFT JOIN [tbl_Cinematographer] ON [tbl_Cinematographer].[Cinematographer_ID] = m.[Cinematographer_ID]
    LEFT JOIN [tbl_Studio] ON [tbl_Studio].[Studio_ID] = m.[Studio_ID]
    LEFT JOIN [tbl_Genre] ON [tbl_Genre].[Genre_ID] = m.[Genre_ID]
    LEFT JOIN [tbl_Format] ON [tbl_Format].[Format_ID] = m.[Format_ID]
ORDER BY m.[Movie_Title];

-- Deleting a movie through the browser's set removes its row and nothing else.
CREATE TRIGGER [qry_Movie_Title_Delete] INSTEAD OF DELETE ON [qry_Movie_Title]
BEGIN
    DELETE FROM [tbl_Movie_Title] WHERE [Movie_ID] = old.[Movie_ID];
END;

CREATE VIEW [qry_Actor] AS
SELECT [Actor_ID],
    (ifnull([Actor_Last_Name], '') || ', ' || ifnull([Actor_First_Name], '')) COLLATE NOCASE AS [Actor],
    [Actor_Last_Name], [Actor_First_Name]
FROM [tbl_Actor]
ORDER BY 2;

CREATE VIEW [qry_Actor_Movie_Join] AS
SELECT (ifnull(a.[Actor_Last_Name], '') || ', ' || ifnull(a.[Actor_First_Name], '')) COLLATE NOCASE AS [Actor],
    a.[Actor_ID] AS [Actor_ID], m.[Movie_Title] AS [Movie_Title], m.[Movie_ID] AS [Movie_ID]
FROM [tbl_Actor_Movie_Join] AS j
    JOIN [tbl_Actor] AS a ON a.[Actor_ID] = j.[Actor_ID]
    JOIN [tbl_Movie_Title] AS m ON m.[Movie_ID] = j.[Movie_ID]
ORDER BY 1;

CREATE VIEW [qry_Year_Report] AS
SELECT [Year_Released], [Movie_Title] FROM [tbl_Movie_Title];

CREATE VIEW [qry_Widescreen_Report] AS
SELECT m.[Movie_Title] AS [Movie_Title], d.[Director] AS [Director], m.[Length] AS [Length],
    m.[Grade] AS [Grade], m.[Rating] AS [Rating], f.[Format] AS [Format]
FROM [tbl_Movie_Title] AS m
    LEFT JOIN [tbl_Director] AS d ON d.[Director_ID] = m.[Director_ID]
    LEFT JOIN [tbl_Format] AS f ON f.[Format_ID] = m.[Format_ID]
WHERE m.[Widescreen] <> 0
ORDER BY m.[Movie_Title];

CREATE VIEW [qry_Actor_Report] AS
SELECT (ifnull(a.[Actor_Last_Name], '') || ', ' || ifnull(a.[Actor_First_Name], '')) COLLATE NOCASE AS [Actor],
    m.[Movie_Title] AS [Movie_Title], d.[Director] AS [Director], m.[Year_Released] AS [Year_Released],
    m.[Length] AS [Length], m.[Grade] AS [Grade]
FROM [tbl_Actor_Movie_Join] AS j
    JOIN [tbl_Actor] AS a ON a.[Actor_ID] = j.[Actor_ID]
    JOIN [tbl_Movie_Title] AS m ON m.[Movie_ID] = j.[Movie_ID]
    LEFT JOIN [tbl_Director] AS d ON d.[Director_ID] = m.[Director_ID]
ORDER BY 1, 2;

COMMIT;
