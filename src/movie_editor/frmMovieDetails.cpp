#include "movie_editor/frmMovieDetails.h"

#include "catalog/Barcode.h"
#include "catalog/MovieValues.h"
#include "shell/Toolkit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace movie_editor {

namespace {

// Each credit as the "More names" tab names it, in kCredits order.
const char* const kCreditCaptions[] = {"Directors", "Producers",     "Executive Producers", "Composers",
                                       "Writers",   "Screenwriters", "Cinematographers",    "Studios",
                                       "Genres",    "Formats"};
static_assert(std::size(kCreditCaptions) == store::kCredits.size());

QLineEdit* lineBox(QWidget* parent, const char* name, const QString& text)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setMaxLength(catalog::kMaxLine);
    return box;
}

QPlainTextEdit* textBox(QWidget* parent, const char* name, const QString& text)
{
    auto* box = new QPlainTextEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setTabChangesFocus(true);
    return box;
}

QStringList lines(const QPlainTextEdit* box)
{
    QStringList out;
    for (const QString& line : box->toPlainText().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            out << line.trimmed();
    return out;
}

} // namespace

QString FieldsText(const std::vector<catalog::Field>& fields)
{
    QStringList out;
    for (const catalog::Field& f : fields)
        out << f.name + QStringLiteral(": ") + catalog::EscapeLine(f.value);
    return out.join(QLatin1Char('\n'));
}

std::vector<catalog::Field> ReadFieldsText(const QString& text, QStringList& unread)
{
    std::vector<catalog::Field> fields;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0 || line.left(colon).trimmed().isEmpty())
            unread << line.trimmed();
        else
            fields.push_back({line.left(colon).trimmed(), catalog::UnescapeLine(line.mid(colon + 1).trimmed())});
    }
    return fields;
}

frmMovieDetails::frmMovieDetails(const catalog::Movie& movie, QWidget* owner) : QDialog(owner), m_movie(movie)
{
    setObjectName(QStringLiteral("frmMovieDetails"));
    setWindowTitle(QStringLiteral("Details of ") + (movie.title.isEmpty() ? QStringLiteral("the movie") : movie.title));
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabDetails"));

    auto* details = new QWidget(tabs);
    auto* form = new QFormLayout(details);
    txtOriginalTitle = lineBox(details, "txtOriginalTitle", movie.originalTitle);
    txtPlot = textBox(details, "txtPlot", movie.plot);
    txtNotes = textBox(details, "txtNotes", movie.notes);
    txtPersonalRating = lineBox(details, "txtPersonalRating", catalog::RatingText(movie.personalRating));
    txtPersonalRating->setPlaceholderText(QStringLiteral("0 to 10, such as 7.5"));
    txtWatched = lineBox(details, "txtWatched", movie.watched.toString(Qt::ISODate));
    txtPurchased = lineBox(details, "txtPurchased", movie.purchased.toString(Qt::ISODate));
    for (QLineEdit* date : {txtWatched, txtPurchased})
        date->setPlaceholderText(QStringLiteral("year-month-day"));
    txtPrice = lineBox(details, "txtPrice", movie.price);
    txtImdbId = lineBox(details, "txtImdbId", movie.imdbId);
    txtImdbId->setPlaceholderText(QStringLiteral("tt0111161, or the movie's IMDb address"));
    txtTmdbId = lineBox(details, "txtTmdbId", movie.tmdbId);
    txtBarcodes = textBox(details, "txtBarcodes", movie.barcodes.join(QLatin1Char('\n')));
    txtBarcodes->setPlaceholderText(QStringLiteral("one a line, as printed or scanned"));
    txtFields = textBox(details, "txtFields", FieldsText(movie.fields));
    txtFields->setPlaceholderText(QStringLiteral("one a line: Region: 2"));
    form->addRow(QStringLiteral("&Original title:"), txtOriginalTitle);
    form->addRow(QStringLiteral("&Plot:"), txtPlot);
    form->addRow(QStringLiteral("&Notes:"), txtNotes);
    form->addRow(QStringLiteral("Personal &rating:"), txtPersonalRating);
    form->addRow(QStringLiteral("&Watched:"), txtWatched);
    form->addRow(QStringLiteral("P&urchased:"), txtPurchased);
    form->addRow(QStringLiteral("Pr&ice:"), txtPrice);
    form->addRow(QStringLiteral("&IMDb id:"), txtImdbId);
    form->addRow(QStringLiteral("&TMDb id:"), txtTmdbId);
    form->addRow(QStringLiteral("&Barcodes:"), txtBarcodes);
    form->addRow(QStringLiteral("Other &fields:"), txtFields);
    tabs->addTab(details, QStringLiteral("Details"));

    // Its ten boxes are made when the tab is first shown: most openings never need them.
    tabs->addTab(new QWidget(tabs), QStringLiteral("More names"));
    connect(tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1 && !txtMoreNames[0])
            buildMoreNames(tabs->widget(1));
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { cmdOK_Click(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    resize(560, 600);
}

void frmMovieDetails::buildMoreNames(QWidget* more)
{
    auto* grid = new QGridLayout(more);
    grid->addWidget(new QLabel(QStringLiteral("The names after the first of each, one a line:"), more), 0, 0, 1, 2);
    for (std::size_t i = 0; i < txtMoreNames.size(); ++i) {
        const QString name =
            QStringLiteral("txtMore") + QString::fromLatin1(kCreditCaptions[i]).remove(QLatin1Char(' '));
        txtMoreNames[i] = textBox(more, name.toLatin1().constData(), m_movie.moreNames[i].join(QLatin1Char('\n')));
        auto* label = new QLabel(QLatin1String(kCreditCaptions[i]) + QLatin1Char(':'), more);
        label->setBuddy(txtMoreNames[i]);
        const int row = 1 + int(i / 2) * 2, column = int(i % 2);
        grid->addWidget(label, row, column);
        grid->addWidget(txtMoreNames[i], row + 1, column);
    }
    // Made on a tab already shown: shown now, so the first box can take the focus at once.
    for (QWidget* child : more->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->show();
}

void frmMovieDetails::cmdOK_Click()
{
    catalog::Movie m = m_movie;
    QStringList wrong;
    const auto take = [&wrong](const auto& read) {
        if (!read.ok())
            wrong << read.error;
        return read.value;
    };
    m.originalTitle = txtOriginalTitle->text();
    m.plot = txtPlot->toPlainText();
    m.notes = txtNotes->toPlainText();
    m.personalRating = take(catalog::ReadPersonalRating(txtPersonalRating->text()));
    m.watched = take(catalog::ReadDate(txtWatched->text()));
    m.purchased = take(catalog::ReadDate(txtPurchased->text()));
    m.price = txtPrice->text();
    m.imdbId = take(catalog::ReadImdbId(txtImdbId->text()));
    m.tmdbId = take(catalog::ReadTmdbId(txtTmdbId->text()));
    m.barcodes.clear();
    for (const QString& typed : lines(txtBarcodes)) {
        const catalog::Barcode code = catalog::ReadBarcode(typed);
        if (code.ok())
            m.barcodes << code.digits;
        else
            wrong << code.error;
    }
    QStringList unread;
    m.fields = ReadFieldsText(txtFields->toPlainText(), unread);
    for (const QString& line : std::as_const(unread))
        wrong << QStringLiteral("\"%1\" is not a field: write its name, a colon, then its value.").arg(line.left(40));
    for (std::size_t i = 0; i < txtMoreNames.size(); ++i)
        if (txtMoreNames[i]) // else as they came
            m.moreNames[i] = lines(txtMoreNames[i]);
    catalog::Normalize(m);
    wrong += catalog::Refusals(m);
    if (!wrong.isEmpty()) {
        shell::MsgBox(wrong.join(QLatin1Char('\n')), shell::vbOKOnly | shell::vbExclamation, shell::kAppCaption);
        return;
    }
    m_movie = std::move(m);
    accept();
}

} // namespace movie_editor
