#include "covers/CoverSchema.h"

namespace covers {

QStringList CreateCoverSql()
{
    return {QStringLiteral("CREATE TABLE [tbl_Cover] ([Movie_ID] INTEGER PRIMARY KEY, [Thumbnail] BLOB NOT NULL, "
                           "[Picture] BLOB NOT NULL)"),
            QStringLiteral("CREATE TRIGGER [trg_Cover_Movie_Delete] AFTER DELETE ON [tbl_Movie_Title] BEGIN\n"
                           "DELETE FROM [tbl_Cover] WHERE [Movie_ID] = old.[Movie_ID];\nEND")};
}

} // namespace covers
