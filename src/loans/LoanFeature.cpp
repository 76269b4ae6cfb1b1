#include "loans/LoanFeature.h"

#include "catalog/Clock.h"
#include "find/FindWords.h"
#include "loans/LoanSchema.h"
#include "loans/LoanStore.h"
#include "loans/frmLend.h"
#include "loans/frmLoans.h"
#include "shell/ErrorReport.h"
#include "shell/Hub.h"
#include "shell/Toolkit.h"
#include "statistics/StatisticsQuery.h"
#include "store/Catalogue.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace loans {

namespace {

// The loan's lines under the grade, and the panel's Lend/Return button over the grade's empty end
// (a grade has at most three characters).
class LoanSection : public shell::PanelSection
{
public:
    LoanSection(QWidget* panel, shell::Hub& hub)
        : m_label(new QLabel(panel)), m_button(new QPushButton(QStringLiteral("Lend..."), panel))
    {
        m_label->setObjectName(QStringLiteral("lblLoan"));
        m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_label->setTextFormat(Qt::PlainText); // a borrower's name is never markup
        m_label->setWordWrap(true);
        m_button->setObjectName(QStringLiteral("cmdLend"));
        m_button->setToolTip(QStringLiteral("Lend the selected movie"));
        shell::PlaceTwips(m_button, 1920, 850, 840, 330);
        m_button->raise();
        m_button->setEnabled(false);
        // The same button returns a movie that is out.
        QObject::connect(m_button, &QPushButton::clicked, m_button, [this, &hub] {
            shell::Guarded([&] {
                if (m_out) {
                    ReturnMovie(hub.CurrentMovieId());
                    hub.Reread(); // a list narrowed to the movies out loses the one returned
                } else {
                    LendMovie(hub.Window(), hub.CurrentMovieId());
                    hub.RefreshPanel();
                }
            });
        });
    }

    void Show(const store::Connection& db, qint64 movieId) override
    {
        const std::optional<Loan> loan = movieId >= 0 ? CurrentLoan(db, movieId) : std::nullopt;
        m_out = loan.has_value();
        m_label->setText(loan ? LoanText(*loan) : QString());
        m_label->setToolTip(m_label->text()); // a long name is cut off by the panel
        QPalette colours = m_label->parentWidget()->palette();
        if (loan && loan->isOverdue(catalog::Today()))
            colours.setColor(QPalette::WindowText, QColor(192, 0, 0));
        m_label->setPalette(colours);
        m_button->setEnabled(movieId >= 0); // nothing shown to lend
        m_button->setText(loan ? QStringLiteral("Return") : QStringLiteral("Lend..."));
        m_button->setToolTip(loan ? QStringLiteral("Mark the selected movie as returned")
                                  : QStringLiteral("Lend the selected movie"));
    }

    double Place(double top, double width, double) override
    {
        constexpr double kLines = 720; // two lines of the loan's text, then a gap
        shell::PlaceTwips(m_label, 120, top, width, kLines - 30);
        return kLines + 30;
    }

private:
    QLabel* m_label;
    QPushButton* m_button;
    bool m_out = false;
};

} // namespace

void RegisterFeature()
{
    store::RegisterSchemaStep({5,
                               QStringLiteral("lending movies"),
                               [](store::Connection& db, auto&, auto&) {
                                   for (const QString& sql : CreateLoanTablesSql())
                                       db.exec(sql);
                               },
                               {}});
    for (const char* name : {"borrower", "loaned", "overdue"})
        find::RegisterFindWord(
            {QLatin1String(name), [field = QLatin1String(name)](const QString& value, const QString& keyColumn,
                                                                std::vector<QVariant>& params) {
                 return FindCondition(field, value, keyColumn, catalog::Today(), params);
             }});
    statistics::AddMovieNote(
        [](const store::Connection& db) { return QStringLiteral("%1 on loan").arg(QLocale().toString(CountOut(db))); });

    shell::AddCollectionItem({40, QStringLiteral("&Lend..."), QStringLiteral("mnuLend"),
                              [](shell::Hub& hub) {
                                  LendMovie(hub.Window(), hub.CurrentMovieId());
                                  hub.RefreshPanel();
                              },
                              true});
    shell::AddCollectionItem({50, QStringLiteral("&Return"), QStringLiteral("mnuReturn"),
                              [](shell::Hub& hub) {
                                  ReturnMovie(hub.CurrentMovieId());
                                  hub.Reread(); // a list narrowed to the movies out loses the one returned
                              },
                              false});
    shell::AddCollectionItem(
        {60, QStringLiteral("L&oans..."), QStringLiteral("mnuLoans"),
         [](shell::Hub& hub) {
             shell::ShowModal(new frmLoans(
                                  hub.CurrentMovieId(), [&hub](qint64 id) { hub.SelectMovieById(id); }, hub.Window()),
                              hub.Window());
             hub.RefreshPanel();
         },
         false});
    shell::AddPanelSection(10, [](QWidget* panel, shell::Hub& hub, std::function<void()>) {
        return std::make_unique<LoanSection>(panel, hub);
    });
    // A lent movie names its borrower, so the user knows what the delete would forget.
    shell::AddDeleteQuestion([](const store::Connection& db, qint64 movieId) {
        const std::optional<Loan> out = CurrentLoan(db, movieId);
        return out ? out->title + QStringLiteral(" is on loan to ") + out->borrower +
                         QStringLiteral(". Delete it anyway?")
                   : QString();
    });
}

} // namespace loans
