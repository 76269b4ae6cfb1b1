#include "loans/LoanSchema.h"

namespace loans {

QStringList CreateLoanTablesSql()
{
    return {
        QStringLiteral("CREATE TABLE [tbl_Borrower] ([Borrower_ID] INTEGER PRIMARY KEY, "
                       "[Borrower] TEXT NOT NULL UNIQUE COLLATE NOCASE)"),
        QStringLiteral("CREATE TABLE [tbl_Loan] ([Loan_ID] INTEGER PRIMARY KEY, [Movie_ID] INTEGER NOT NULL, "
                       "[Borrower_ID] INTEGER NOT NULL REFERENCES [tbl_Borrower] ([Borrower_ID]), "
                       "[Date_Lent] TEXT NOT NULL, [Date_Due] TEXT, [Date_Returned] TEXT, "
                       "CHECK ([Date_Due] IS NULL OR [Date_Due] >= [Date_Lent]))"),
        // The engine itself keeps a movie from going out twice.
        QStringLiteral("CREATE UNIQUE INDEX [idx_tbl_Loan_Out] ON [tbl_Loan] ([Movie_ID]) "
                       "WHERE [Date_Returned] IS NULL"),
        QStringLiteral("CREATE INDEX [idx_tbl_Loan_Movie_ID] ON [tbl_Loan] ([Movie_ID], [Date_Lent])"),
        QStringLiteral("CREATE INDEX [idx_tbl_Loan_Borrower_ID] ON [tbl_Loan] ([Borrower_ID])"),
        // Whoever deletes a movie deletes its loans in the same transaction.
        QStringLiteral("CREATE TRIGGER [trg_Loan_Movie_Delete] AFTER DELETE ON [tbl_Movie_Title] BEGIN\n"
                       "DELETE FROM [tbl_Loan] WHERE [Movie_ID] = old.[Movie_ID];\nEND"),
    };
}

QString FindCondition(const QString& field, const QString& value, const QString& keyColumn, const QDate& today,
                      std::vector<QVariant>& params)
{
    QString out = QStringLiteral("SELECT l.[Movie_ID] FROM [tbl_Loan] AS l WHERE l.[Date_Returned] IS NULL");
    bool negated = false;
    if (field == QLatin1String("borrower")) {
        QString pattern = value;
        pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('%'), QStringLiteral("\\%"))
            .replace(QLatin1Char('_'), QStringLiteral("\\_"));
        out += QStringLiteral(" AND l.[Borrower_ID] IN (SELECT [Borrower_ID] FROM [tbl_Borrower] "
                              "WHERE [Borrower] LIKE ? ESCAPE '\\')");
        params.emplace_back(QLatin1Char('%') + pattern + QLatin1Char('%'));
    } else {
        negated = value.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0;
        if (field == QLatin1String("overdue")) {
            out += QStringLiteral(" AND l.[Date_Due] < ?");
            params.emplace_back(today.toString(Qt::ISODate));
        }
    }
    return keyColumn + (negated ? QStringLiteral(" NOT IN (") : QStringLiteral(" IN (")) + out + QLatin1Char(')');
}

} // namespace loans
