#include "movie_editor/frmMovieAdd.h"

#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverWidgets.h"
#include "movie_editor/frmMovieDetails.h"
#include "shell/App.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"
#include "store/Values.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <limits>

namespace movie_editor {

namespace {

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

frmMovieAdd::AddActorsCommand& addActorsCommand()
{
    static frmMovieAdd::AddActorsCommand command;
    return command;
}

frmMovieAdd::LookupCommand& lookupCommand()
{
    static frmMovieAdd::LookupCommand command;
    return command;
}

QFont comicSans(double points, bool bold)
{
    QFont font = shell::WindowFont(points, bold);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Inputs get a plain font of their own so the frames' bold titles do not spread into them.
QFont inputFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(9);
    font.setBold(false);
    return font;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption)
{
    auto* label = new QLabel(L(caption), parent);
    label->setObjectName(L(name));
    label->setFont(comicSans(9.75, false));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(L(caption), parent);
    button->setObjectName(L(name));
    button->setFont(comicSans(9.75, true));
    button->setAutoDefault(false);
    return button;
}

char16_t upperOf(char16_t code)
{
    const QString upper = QLocale().toUpper(QString(QChar(code)));
    // A letter whose capital is two letters keeps its own form rather than losing half.
    return upper.size() == 1 ? upper.front().unicode() : code;
}

QString comboText(const QComboBox* combo)
{
    return combo->lineEdit()->text();
}

// The browser shows the stored row at once; it re-reads its set when it becomes active again.
void refreshMovieGrid()
{
    const auto tops = QApplication::topLevelWidgets();
    for (QWidget* top : tops) {
        if (auto* grid = top->findChild<QWidget*>(QStringLiteral("dbgMovie"))) {
            grid->update();
            const auto views = grid->findChildren<QAbstractItemView*>();
            for (QAbstractItemView* view : views)
                view->viewport()->update();
        }
    }
}

const QString kNextSteps = QStringLiteral("You may now add actors or clear the form and enter a new movie!");

} // namespace

frmMovieAdd::frmMovieAdd(QWidget* owner) : QWidget(owner, Qt::Dialog)
{
    setObjectName(QStringLiteral("frmMovieAdd"));
    setWindowTitle(QStringLiteral("Add/Edit Movie Information"));
    buildControls();
    Form_Load();
}

frmMovieAdd::~frmMovieAdd() = default;

void frmMovieAdd::SetAddActorsCommand(AddActorsCommand command)
{
    addActorsCommand() = std::move(command);
}

void frmMovieAdd::SetLookupCommand(LookupCommand command)
{
    lookupCommand() = std::move(command);
}

void frmMovieAdd::buildControls()
{
    fmrMovieTitle = new QGroupBox(QStringLiteral("Movie Title"), this);
    fmrMovieTitle->setObjectName(QStringLiteral("fmrMovieTitle"));
    fmrMovieTitle->setFont(comicSans(8.25, true));
    shell::PlaceTwips(fmrMovieTitle, 120, 120, 8160, 900);
    lblMovieTitle = makeLabel(fmrMovieTitle, "lblMovieTitle", "Movie Title:");
    shell::PlaceTwips(lblMovieTitle, 120, 390, 1300, 315);
    cmdClearForm = makeButton(fmrMovieTitle, "cmdClearForm", "&Clear Form");
    shell::PlaceTwips(cmdClearForm, 6600, 300, 1440, 465);

    frmMovieInfo = new QGroupBox(QStringLiteral("Movie Information"), this);
    frmMovieInfo->setObjectName(QStringLiteral("frmMovieInfo"));
    frmMovieInfo->setFont(comicSans(8.25, true));
    shell::PlaceTwips(frmMovieInfo, 120, 1140, 8160, 4560);

    // Drawn over the frames but not theirs, so they enable on their own.
    txtMovieTitle = new QLineEdit(this);
    txtMovieTitle->setObjectName(QStringLiteral("txtMovieTitle"));
    txtMovieTitle->setFont(inputFont());
    // A title has no length rule; the box's own default would cut a long pasted one silently.
    txtMovieTitle->setMaxLength(std::numeric_limits<int>::max());
    shell::PlaceTwips(txtMovieTitle, 1620, 510, 4860, 330);

    constexpr double row = 420;
    buildCredit(Director, "dbcDirector", "lblDirector", "Director:", store::kDirector, 360, 0);
    buildCredit(Producer, "dbcProducer", "lblProducer", "Producer:", store::kProducer, 360 + row, 0);
    buildCredit(ExecutiveProducer, "dbcExecutiveProducer", "lblExecutiveProducer",
                "Executive Producer:", store::kExecutiveProducer, 360 + 2 * row, 0);
    buildCredit(Screenwriter, "dbcScreenWriter", "lblScreenwriter", "Screenwriter:", store::kScreenplay, 360 + 3 * row,
                0);
    buildCredit(Writer, "dbcWriter", "lblWriter", "Writer:", store::kWriter, 360 + 4 * row, 0);
    buildCredit(Composer, "dbcComposer", "lblComposer", "Composer:", store::kComposer, 360, 4080);
    buildCredit(Cinematographer, "dbcCinematographer", "lblCinematographer",
                "Cinematographer:", store::kCinematographer, 360 + row, 4080);
    buildCredit(Genre, "dbcGenre", "lblGenre", "Genre:", store::kGenre, 360 + 2 * row, 4080);
    buildCredit(Studio, "dbcStudio", "lblStudio", "Studio:", store::kStudio, 360 + 3 * row, 4080);
    buildCredit(Format, "dbcFormat", "lblFormat", "Format:", store::kFormat, 360 + 4 * row, 4080);

    const double shortTop = 360 + 5 * row + 180;
    lblLength = makeLabel(frmMovieInfo, "lblLength", "Length:");
    shell::PlaceTwips(lblLength, 120, shortTop, 1800, 330);
    txtLength = makeTextBox("txtLength", 5);
    shell::PlaceTwips(txtLength, 2040, shortTop, 900, 330);
    lblYear = makeLabel(frmMovieInfo, "lblYear", "Year:");
    shell::PlaceTwips(lblYear, 120, shortTop + row, 1800, 330);
    txtYear = makeTextBox("txtYear", 4);
    shell::PlaceTwips(txtYear, 2040, shortTop + row, 900, 330);
    lblGrade = makeLabel(frmMovieInfo, "lblGrade", "Grade:");
    shell::PlaceTwips(lblGrade, 4200, shortTop, 1560, 330);
    txtGrade = makeTextBox("txtGrade", 3);
    shell::PlaceTwips(txtGrade, 5880, shortTop, 900, 330);
    lblRating = makeLabel(frmMovieInfo, "lblRating", "Rating:");
    shell::PlaceTwips(lblRating, 4200, shortTop + row, 1560, 330);
    txtRating = makeTextBox("txtRating", 5);
    shell::PlaceTwips(txtRating, 5880, shortTop + row, 900, 330);
    lblWidescreen = makeLabel(frmMovieInfo, "lblWidescreen", "Widescreen:");
    shell::PlaceTwips(lblWidescreen, 120, shortTop + 2 * row, 1800, 330);

    cmd_Update = makeButton(frmMovieInfo, "cmd_Update", "&Update Movie");
    shell::PlaceTwips(cmd_Update, 2040, shortTop + 3 * row + 60, 1920, 465);
    cmdAddActor = makeButton(frmMovieInfo, "cmdAddActor", "&Add Actors");
    shell::PlaceTwips(cmdAddActor, 4320, shortTop + 3 * row + 60, 1920, 465);
    cmdDetails = makeButton(frmMovieInfo, "cmdDetails", "&Details...");
    shell::PlaceTwips(cmdDetails, 6360, shortTop + 3 * row + 60, 1680, 465);

    chkWidescreen = new QCheckBox(this);
    chkWidescreen->setObjectName(QStringLiteral("chkWidescreen"));
    shell::PlaceTwips(chkWidescreen, 120 + 2040, 1140 + shortTop + 2 * row, 330, 330);

    cmdOK = makeButton(this, "cmdOK", "E&xit");
    shell::PlaceTwips(cmdOK, 6840, 5820, 1440, 465);
    // Beside the title, over the cover, so that none of the form's own controls moves.
    cmdLookup = makeButton(this, "cmdLookup", "&Look Up...");
    shell::PlaceTwips(cmdLookup, 8400, 420, 2400, 465);
    m_cover = new covers::EditorCover(this);
    shell::PlaceTwips(m_cover, 8400, 960, 2400, 5400);
    setFixedSize(shell::TwipsToPixelsX(10920), shell::TwipsToPixelsY(6420));

    QWidget* order[] = {txtMovieTitle,
                        cmdLookup,
                        m_credits[Director].combo,
                        m_credits[Producer].combo,
                        m_credits[ExecutiveProducer].combo,
                        m_credits[Screenwriter].combo,
                        m_credits[Writer].combo,
                        m_credits[Composer].combo,
                        m_credits[Cinematographer].combo,
                        m_credits[Genre].combo,
                        m_credits[Studio].combo,
                        txtLength,
                        txtYear,
                        txtGrade,
                        txtRating,
                        m_credits[Format].combo,
                        chkWidescreen,
                        cmd_Update,
                        cmdAddActor,
                        cmdDetails,
                        cmdClearForm,
                        cmdOK};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(txtMovieTitle, &QLineEdit::textChanged, this, [this] { EnableForm(); });
    connect(cmd_Update, &QPushButton::clicked, this, [this] { cmd_Update_Click(); });
    connect(cmdAddActor, &QPushButton::clicked, this, [this] { cmdAddActor_Click(); });
    connect(cmdDetails, &QPushButton::clicked, this, [this] { cmdDetails_Click(); });
    connect(cmdLookup, &QPushButton::clicked, this, [this] { cmdLookup_Click(); });
    connect(cmdClearForm, &QPushButton::clicked, this, [this] { cmdClearForm_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    txtGrade->installEventFilter(this);
    txtRating->installEventFilter(this);
}

void frmMovieAdd::buildCredit(Slot slot, const char* comboName, const char* labelName, const char* caption,
                              store::CreditIndex columns, double top, double left)
{
    Credit& credit = m_credits[std::size_t(slot)];
    const auto bracketed = [](const char* name) { return QString(QLatin1Char('[') + L(name) + QLatin1Char(']')); };
    credit.table = bracketed(store::kCredits[columns].table);
    credit.name = bracketed(store::kCredits[columns].name);
    credit.key = bracketed(store::kCredits[columns].key);
    credit.listSql = QStringLiteral("SELECT * FROM ") + credit.table + QStringLiteral(" ORDER BY ") + credit.name;
    credit.index = columns;
    credit.label = makeLabel(frmMovieInfo, labelName, caption);
    shell::PlaceTwips(credit.label, left + 120, top, left ? 1560 : 1800, 360);

    auto* combo = new QComboBox(frmMovieInfo);
    combo->setObjectName(L(comboName));
    combo->setFont(inputFont());
    combo->setEditable(true);
    // The list is the catalogue's, in its own order; what is typed stays exactly as typed.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->setDuplicatesEnabled(true);
    combo->setMaxVisibleItems(12);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    shell::PlaceTwips(combo, left ? left + 1800 : 2040, top, 2160, 360);
    // The combo box takes the keys itself and hands them to its edit field directly.
    combo->installEventFilter(this);
    combo->lineEdit()->setMaxLength(std::numeric_limits<int>::max()); // kept whole, as the title
    credit.combo = combo;
}

QLineEdit* frmMovieAdd::makeTextBox(const char* name, int maxLength)
{
    auto* box = new QLineEdit(frmMovieInfo);
    box->setObjectName(L(name));
    box->setFont(inputFont());
    // The limit is for typing: a longer stored value shows whole and stays so until the user shortens it.
    box->setMaxLength(maxLength);
    connect(box, &QLineEdit::textChanged, box,
            [box, maxLength](const QString& text) { box->setMaxLength(std::max(maxLength, int(text.size()))); });
    return box;
}

void frmMovieAdd::Form_Load()
{
    try {
        PopulateComboBoxes();
        m_details.reset();
        m_cast.reset();
        m_loadedId = 0;
        const QString title = shell::CurrentMovieTitle();
        if (title.isEmpty()) {
            m_cover->Clear();
            EnableForm();
            cmd_Update->setText(QStringLiteral("&Add Movie"));
            txtMovieTitle->setFocus();
            return;
        }
        txtMovieTitle->setText(title);
        txtMovieTitle->setFocus();
        const store::Connection db = store::OpenDatabase();
        // By its key where the main window named one, so a title stored twice by an earlier version
        // still opens the movie chosen.
        std::optional<store::Recordset> byKey;
        if (shell::CurrentMovieId() > 0) {
            byKey.emplace(db,
                          QStringLiteral("SELECT * from [qry_Movie_Title] WHERE [Movie_ID] = ? AND [Movie_Title] = ?"),
                          std::vector<QVariant>{shell::CurrentMovieId(), title});
            if (byKey->RecordCount() == 0)
                byKey.reset();
        }
        store::Recordset rs = byKey ? std::move(*byKey)
                                    : store::Recordset(db,
                                                       QStringLiteral("SELECT * from [qry_Movie_Title] WHERE "
                                                                      "[Movie_Title] = ?"),
                                                       {title});
        for (Credit& credit : m_credits) {
            credit.combo->setEditText(rs.Value(credit.name).toString());
            credit.combo->lineEdit()->setCursorPosition(0); // a long name shows its beginning, not its end
        }
        const std::pair<QLineEdit*, const char*> shortFields[] = {
            {txtLength, "Length"}, {txtYear, "Year_Released"}, {txtGrade, "Grade"}, {txtRating, "Rating"}};
        for (const auto& [box, column] : shortFields) {
            const QString value = rs.Value(L(column)).toString();
            box->setMaxLength(std::max(box->maxLength(), int(value.size())));
            box->setText(value);
        }
        chkWidescreen->setChecked(store::IsTrue(rs.Value(QStringLiteral("Widescreen"))));
        m_loadedId = rs.Value(QStringLiteral("Movie_ID")).toLongLong();
        m_cover->Load(db, m_loadedId);
        cmdAddActor->setVisible(true);
    } catch (const store::StoreError& e) {
        showError(e);
    }
}

void frmMovieAdd::PopulateComboBoxes()
{
    const store::Connection db = store::OpenDatabase();
    // The statements run in table-name order, as the lists have always been filled.
    for (Slot slot : {Cinematographer, Composer, Director, ExecutiveProducer, Format, Genre, Producer, Screenwriter,
                      Studio, Writer}) {
        Credit& credit = m_credits[std::size_t(slot)];
        store::Recordset rs(db, credit.listSql);
        QStringList names;
        names.reserve(qsizetype(rs.RecordCount()));
        rs.MoveFirst();
        while (!rs.Eof()) {
            names << rs.Value(credit.name).toString();
            rs.MoveNext();
        }
        rs.Close();
        credit.combo->clear(); // filled afresh, however often the form loads
        credit.combo->addItems(names);
        // Filling a list must not put its first name into the box.
        credit.combo->setCurrentIndex(-1);
    }
}

void frmMovieAdd::EnableForm()
{
    const bool on = !txtMovieTitle->text().isEmpty();
    frmMovieInfo->setEnabled(on);
    for (Credit& credit : m_credits) {
        credit.combo->setEnabled(on);
        credit.label->setEnabled(on);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{txtLength, lblLength, txtYear, lblYear, txtGrade, lblGrade,
                                                      txtRating, lblRating, chkWidescreen, lblWidescreen})
        w->setEnabled(on);
    if (!on)
        cmdAddActor->setVisible(false);
    cmd_Update->setEnabled(on);
    cmdDetails->setEnabled(on);
    cmdLookup->setEnabled(on && lookupCommand());
    m_cover->setEnabled(on);
}

void frmMovieAdd::Capitalize(char16_t& KeyAscii)
{
    QString text;
    QObject* target = m_keyTarget ? m_keyTarget : QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        text = edit->text();
    else if (auto* combo = qobject_cast<QComboBox*>(target))
        text = combo->currentText();
    if (text.isEmpty() || text.back() == QLatin1Char(' ') || text.back() == QLatin1Char('-'))
        KeyAscii = upperOf(KeyAscii);
}

bool frmMovieAdd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || m_resending)
        return QWidget::eventFilter(watched, event);
    const bool upper = watched == txtGrade || watched == txtRating;
    bool credit = false;
    bool capitalize = false;
    for (std::size_t i = 0; i < m_credits.size(); ++i) {
        if (watched == m_credits[i].combo) {
            credit = true;
            capitalize = i != std::size_t(Format);
        }
    }
    if (!upper && !credit)
        return QWidget::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    // Return would make the box pick a list entry that matches regardless of case.
    if (credit && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
        return true;
    const QString typed = key->text();
    if (typed.size() != 1 || !typed.front().isPrint() || (!upper && !capitalize))
        return QWidget::eventFilter(watched, event);

    char16_t code = typed.front().unicode();
    if (upper) {
        code = upperOf(code);
    } else {
        m_keyTarget = watched;
        Capitalize(code);
        m_keyTarget = nullptr;
    }
    if (code == typed.front().unicode())
        return QWidget::eventFilter(watched, event);
    // Hand the box the replaced key so it edits, undoes and limits length as for any other key.
    QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), QString(QChar(code)), key->isAutoRepeat(),
                       quint16(key->count()));
    m_resending = true;
    QCoreApplication::sendEvent(watched, &replaced);
    m_resending = false;
    return true;
}

void frmMovieAdd::cmd_Update_Click()
{
    m_title = txtMovieTitle->text();
    bool stored = false;
    try {
        const store::Connection db = store::OpenDatabase();
        store::Recordset rs(db, QStringLiteral("SELECT [Movie_Title] FROM [tbl_Movie_Title] WHERE [Movie_Title] = ?"),
                            {m_title});
        stored = rs.RecordCount() != 0;
        rs.Close();
    } catch (const store::StoreError& e) {
        showError(e);
        return;
    }
    if (stored) {
        const int answer = shell::MsgBox(
            QStringLiteral("This movie already exists in the database. Are you sure you wish to overwrite?"),
            shell::vbYesNo, QStringLiteral("Overwrite OK?"));
        if (answer != shell::vbYes)
            return;
        if (UpdateRecords())
            shell::MsgBox(txtMovieTitle->text() + QStringLiteral(" has been updated.") + shell::kCrLf + kNextSteps,
                          shell::vbOKOnly | shell::vbInformation, shell::kAppCaption);
    } else if (AddRecords()) {
        shell::MsgBox(txtMovieTitle->text() + QStringLiteral(" has been added to your library.") + shell::kCrLf +
                          kNextSteps,
                      shell::vbOKOnly | shell::vbInformation, shell::kAppCaption);
    }
}

bool frmMovieAdd::UpdateRecords()
{
    return storeMovie(true);
}

bool frmMovieAdd::AddRecords()
{
    return storeMovie(false);
}

bool frmMovieAdd::storeMovie(bool overwrite)
{
    catalog::Movie movie;
    movie.title = txtMovieTitle->text();
    for (const Credit& credit : m_credits)
        movie.credits[credit.index] = comboText(credit.combo);
    movie.length = txtLength->text();
    movie.year = txtYear->text();
    movie.grade = txtGrade->text();
    movie.rating = txtRating->text();
    movie.widescreen = chkWidescreen->isChecked();
    // The form shows what is stored: "Unknown" and the short fields' defaults where it was empty.
    catalog::ApplyDefaults(movie);
    for (const Credit& credit : m_credits)
        if (comboText(credit.combo).isEmpty())
            credit.combo->setEditText(movie.credits[credit.index]);
    for (const auto& [box, value] : {std::pair{txtLength, &movie.length},
                                     {txtYear, &movie.year},
                                     {txtGrade, &movie.grade},
                                     {txtRating, &movie.rating}})
        if (box->text().isEmpty())
            box->setText(*value);
    try {
        store::Connection db = store::OpenDatabase();
        // One unit: a crash or a failure part way leaves neither new names nor half a movie.
        store::Transaction unit(db);
        catalog::MovieWriter writer(db);
        qint64 movieId = 0;
        if (const std::optional<catalog::Titled> stored = overwrite ? writer.Stored(movie.title) : std::nullopt) {
            movieId = stored->id;
            // The boxes hold the first names only: what else the movie holds stays, unless the
            // details window changed it.
            if (m_details)
                catalog::TakeMore(movie, *m_details);
            else if (const std::optional<catalog::Movie> before = catalog::ReadMovie(db, movieId))
                catalog::KeepStored(movie, *before);
            if (m_cast)
                movie.cast = *m_cast;
            writer.Overwrite(movieId, movie);
        } else {
            if (m_details)
                catalog::TakeMore(movie, *m_details);
            if (m_cast)
                movie.cast = *m_cast;
            movieId = writer.Add(movie);
        }
        m_cover->SaveWith(db, movieId); // in the same unit as the movie
        unit.commit();
        m_cover->Saved();
        m_details.reset(); // stored now
        m_cast.reset();
        m_loadedId = movieId;
        shell::CurrentMovieId() = movieId;
        if (overwrite)
            refreshMovieGrid();
        cmdAddActor->setVisible(true);
        return true;
    } catch (const store::StoreError& e) {
        showError(e);
        return false;
    }
}

void frmMovieAdd::showError(const store::StoreError& error)
{
    // A busy catalogue is not a fault of the save; the user hears what to do about it.
    if (error.isBusy()) {
        shell::ShowStoreError(error);
        return;
    }
    shell::MsgBox(QStringLiteral("The following error occurred while attempting to save:") + shell::kCrLf +
                      QStringLiteral("Error number: ") + QString::number(error.code()) + shell::kCrLf +
                      QStringLiteral("Error Description: ") + error.message() + shell::kCrLf,
                  shell::vbOKOnly | shell::vbExclamation, QStringLiteral("Error!"));
}

void frmMovieAdd::cmdAddActor_Click()
{
    shell::CurrentMovieTitle() = txtMovieTitle->text();
    if (addActorsCommand())
        addActorsCommand()(this);
}

void frmMovieAdd::cmdClearForm_Click()
{
    txtMovieTitle->setText(QString());
    txtMovieTitle->setFocus();
    for (Credit& credit : m_credits)
        credit.combo->setEditText(QString());
    for (QLineEdit* box : {txtLength, txtYear, txtGrade, txtRating})
        box->setText(QString());
    chkWidescreen->setChecked(false);
    m_cover->Clear();
    m_details.reset();
    m_cast.reset();
    m_loadedId = 0;
    cmd_Update->setText(QStringLiteral("&Add Movie"));
}

void frmMovieAdd::cmdOK_Click()
{
    close();
}

void frmMovieAdd::cmdDetails_Click()
{
    catalog::Movie movie;
    try {
        if (m_details)
            movie = *m_details;
        else if (m_loadedId > 0)
            movie = catalog::ReadMovie(store::OpenDatabase(), m_loadedId).value_or(catalog::Movie{});
    } catch (const store::StoreError& e) {
        showError(e);
        return;
    }
    movie.title = txtMovieTitle->text();
    auto* window = new frmMovieDetails(movie, this);
    connect(window, &QDialog::accepted, this, [this, window] { m_details = window->Movie(); });
    shell::ShowModal(window, this);
}

catalog::Movie frmMovieAdd::formMovie()
{
    catalog::Movie movie;
    if (m_details)
        movie = *m_details;
    else if (m_loadedId > 0)
        movie = catalog::ReadMovie(store::OpenDatabase(), m_loadedId).value_or(catalog::Movie{});
    if (m_cast)
        movie.cast = *m_cast;
    movie.title = txtMovieTitle->text();
    for (const Credit& credit : m_credits) {
        const QString typed = comboText(credit.combo);
        movie.credits[credit.index] = typed == QLatin1String(catalog::kUnknown) ? QString() : typed;
    }
    movie.length = txtLength->text();
    movie.year = txtYear->text();
    movie.grade = txtGrade->text();
    movie.rating = txtRating->text();
    movie.widescreen = chkWidescreen->isChecked();
    return movie;
}

void frmMovieAdd::cmdLookup_Click()
{
    if (!lookupCommand())
        return;
    catalog::Movie movie;
    try {
        movie = formMovie();
    } catch (const store::StoreError& e) {
        showError(e);
        return;
    }
    lookupCommand()(this, movie, m_cover->HasPicture(),
                    [this](const catalog::Movie& chosen, const std::optional<covers::Cover>& cover) {
                        applyLookup(chosen, cover);
                    });
}

void frmMovieAdd::applyLookup(const catalog::Movie& movie, const std::optional<covers::Cover>& cover)
{
    txtMovieTitle->setText(movie.title);
    for (Credit& credit : m_credits) {
        credit.combo->setEditText(movie.credits[credit.index]);
        credit.combo->lineEdit()->setCursorPosition(0);
    }
    for (const auto& [box, value] : {std::pair{txtLength, &movie.length},
                                     {txtYear, &movie.year},
                                     {txtGrade, &movie.grade},
                                     {txtRating, &movie.rating}}) {
        box->setMaxLength(std::max(box->maxLength(), int(value->size())));
        box->setText(*value);
    }
    m_details = movie; // more names, plot, ids and the rest go with the Update
    m_cast = movie.cast;
    if (cover)
        m_cover->Take(*cover);
}

} // namespace movie_editor
