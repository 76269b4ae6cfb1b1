#include "exchange/ImportWindows.h"

#include "shell/Background.h"
#include "shell/Toolkit.h"
#include "shell/Wording.h"
#include "store/Catalogue.h"
#include "store/Sqlite.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>

namespace exchange {

namespace {

constexpr int kPreviewRows = 10;
// A window of field boxes for every column of a very wide file would take long to make and longer
// to use: the columns that map and the first few others are shown, the rest are left out.
constexpr int kShownColumns = 40;

// Where the file dialogs open: the user's documents, or their home where that folder is missing
// (a dialog given a missing folder offers its name as the file's).
QString folder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// Work's reports, as the import and export functions take them.
Progress reporting(shell::Work& work)
{
    return [&work](qint64 done, qint64 total) { return work.Report(done, total); };
}

} // namespace

frmImportMap::frmImportMap(const CsvTable& table, QWidget* owner) : QDialog(owner), m_table(table)
{
    setObjectName(QStringLiteral("frmImportMap"));
    setWindowTitle(QStringLiteral("Import - Columns"));
    if (m_table.hasHeader) {
        m_table.rows.insert(m_table.rows.begin(), m_table.header);
        m_table.lines.insert(m_table.lines.begin(), 1);
    }
    for (const QStringList& row : m_table.rows)
        m_columns = qMax(m_columns, int(row.size()));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Choose the field each column fills; leave the ones to skip at "
                                                "\"(ignore)\"."),
                                 this));
    chkHeader = new QCheckBox(QStringLiteral("&First row names the columns"), this);
    chkHeader->setObjectName(QStringLiteral("chkHeader"));
    chkHeader->setChecked(table.hasHeader);
    layout->addWidget(chkHeader);
    grdPreview = new QTableWidget(this);
    grdPreview->setObjectName(QStringLiteral("grdPreview"));
    grdPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdPreview->verticalHeader()->setVisible(false);
    layout->addWidget(grdPreview);
    const std::vector<int> mapping = RememberedMapping(table.header, m_columns);
    // The columns that fill the movie's own values, then the first few of the others: kept as fields of
    // their own names or ignored.
    const auto own = [](int f) { return f != kIgnore && f != kOwnField; };
    const int mapped = int(std::count_if(mapping.begin(), mapping.end(), own));
    for (int c = 0, others = kShownColumns - mapped; c < m_columns; ++c) {
        if (own(mapping[std::size_t(c)])) {
            m_shown.push_back(c);
        } else if (others > 0) {
            m_shown.push_back(c);
            --others;
        }
    }
    grdPreview->setColumnCount(int(m_shown.size()));
    for (int c : m_shown) {
        auto* combo = new QComboBox(grdPreview);
        combo->setObjectName(QStringLiteral("cboField%1").arg(c));
        combo->addItem(FieldCaption(kIgnore), int(kIgnore));
        for (int f = kTitle; f < kFieldCount; ++f)
            combo->addItem(FieldCaption(f), f);
        combo->setCurrentIndex(combo->findData(mapping[std::size_t(c)]));
        connect(combo, &QComboBox::currentIndexChanged, this, [this] { check(); });
        m_fields.push_back(combo);
    }
    lblHidden = new QLabel(this);
    lblHidden->setObjectName(QStringLiteral("lblHidden"));
    const int hidden = m_columns - int(m_shown.size());
    lblHidden->setText(shell::Counted(hidden, "more column is", "more columns are") +
                       QStringLiteral(" not shown, and left out of the import."));
    lblHidden->setVisible(hidden > 0);
    layout->addWidget(lblHidden);
    lblHint = new QLabel(this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    layout->addWidget(lblHint);
    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("&Next"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(chkHeader, &QCheckBox::toggled, this, [this] { fill(); });
    fill();
    resize(760, 420);
}

void frmImportMap::fill()
{
    const bool header = chkHeader->isChecked();
    const int first = header ? 1 : 0;
    const int shown = qMin(kPreviewRows, int(m_table.rows.size()) - first);
    // Row 0 holds the field boxes; the file's rows follow.
    grdPreview->setRowCount(qMax(0, shown) + 1);
    QStringList captions;
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        const int c = m_shown[i];
        captions << (header ? m_table.rows.front().value(c) : QStringLiteral("Column %1").arg(c + 1));
        grdPreview->setCellWidget(0, int(i), m_fields[i]);
    }
    grdPreview->setHorizontalHeaderLabels(captions);
    for (int r = 0; r < shown; ++r)
        for (std::size_t i = 0; i < m_shown.size(); ++i)
            grdPreview->setItem(r + 1, int(i),
                                new QTableWidgetItem(m_table.rows[std::size_t(r + first)].value(m_shown[i])));
    check();
}

void frmImportMap::check()
{
    const std::vector<int> mapping = Mapping();
    const bool title = std::find(mapping.begin(), mapping.end(), int(kTitle)) != mapping.end();
    QStringList twice;
    for (int f = kTitle; f < kOwnField; ++f) // any number of columns keep fields of their own
        if (std::count(mapping.begin(), mapping.end(), f) > 1)
            twice << FieldCaption(f);
    lblHint->setText(!title            ? QStringLiteral("Map one column to Title.")
                     : twice.isEmpty() ? QString()
                                       : QStringLiteral("Mapped twice: ") + twice.join(QStringLiteral(", ")));
    cmdOK->setEnabled(title && twice.isEmpty());
}

std::vector<int> frmImportMap::Mapping() const
{
    std::vector<int> mapping(std::size_t(m_columns), kIgnore);
    for (std::size_t i = 0; i < m_shown.size(); ++i)
        mapping[std::size_t(m_shown[i])] = m_fields[i]->currentData().toInt();
    return mapping;
}

CsvTable frmImportMap::Table() const
{
    CsvTable table = m_table;
    table.hasHeader = chkHeader->isChecked();
    table.header.clear();
    if (table.hasHeader && !table.rows.empty()) {
        table.header = table.rows.front();
        table.rows.erase(table.rows.begin());
        table.lines.erase(table.lines.begin());
    }
    return table;
}

frmImportPreview::frmImportPreview(const Plan& plan, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmImportPreview"));
    setWindowTitle(QStringLiteral("Import - Preview"));
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(PreviewText(plan), this);
    summary->setObjectName(QStringLiteral("lblSummary"));
    summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(summary);
    auto* problems = new QPlainTextEdit(this);
    problems->setObjectName(QStringLiteral("txtProblems"));
    problems->setReadOnly(true);
    problems->setPlainText((plan.data.problems + plan.data.notes).join(QLatin1Char('\n')));
    problems->setVisible(!problems->toPlainText().isEmpty());
    layout->addWidget(problems);
    layout->addStretch();
    chkOverwrite = new QCheckBox(QStringLiteral("&Overwrite the movies already in the catalogue"), this);
    chkOverwrite->setObjectName(QStringLiteral("chkOverwrite"));
    chkOverwrite->setEnabled(plan.matched > 0);
    layout->addWidget(chkOverwrite);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* import = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    import->setObjectName(QStringLiteral("cmdImport"));
    import->setEnabled(!plan.data.movies.empty());
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(560, plan.data.problems.isEmpty() && plan.data.notes.isEmpty() ? 200 : 420);
}

bool frmImportPreview::Overwrite() const
{
    return chkOverwrite->isChecked();
}

bool ImportInteractive(QWidget* owner)
{
    const QString path =
        QFileDialog::getOpenFileName(owner, QStringLiteral("Import Movies"), folder(),
                                     QStringLiteral("Collections (*.csv *.txt *.tc *.xml *.gcs);;All files (*)"));
    if (path.isEmpty())
        return false;
    auto refuse = [&](const QString& why) {
        shell::MsgBox(QStringLiteral("\"%1\" cannot be imported: %2.").arg(QDir::toNativeSeparators(path), why),
                      shell::vbOKOnly | shell::vbExclamation, QStringLiteral("Import"));
        return false;
    };
    try {
        // Reading a Tellico or GCstar file's covers can take a while: the window stays alive and offers
        // Cancel meanwhile.
        ImportSource source =
            shell::RunInBackground(owner,
                                   {QStringLiteral("Import"), QStringLiteral("Reading the file and its covers..."),
                                    QStringLiteral("frmImportReading")},
                                   [&](shell::Work& work) { return ReadImportFile(path, reporting(work)); });
        if (source.cancelled)
            return false;
        if (source.kind == Kind::Csv) {
            frmImportMap map(source.table, owner);
            if (map.exec() != QDialog::Accepted)
                return false;
            const CsvTable table = map.Table();
            RememberMapping(table.header, map.Mapping());
            source.data = MapRows(table, map.Mapping());
        }
        const Plan plan = shell::RunInBackground(
            owner,
            {QStringLiteral("Import"), QStringLiteral("Comparing the file with the catalogue..."),
             QStringLiteral("frmImportComparing")},
            [&](shell::Work&) { return Preview(store::OpenDatabase(), std::move(source.data)); });
        frmImportPreview preview(plan, owner);
        if (preview.exec() != QDialog::Accepted)
            return false;
        const bool overwrite = preview.Overwrite();
        const Outcome outcome = shell::RunInBackground(
            owner,
            {QStringLiteral("Import"), QStringLiteral("Importing movies..."), QStringLiteral("frmImportProgress")},
            [&](shell::Work& work) {
                store::Connection db = store::OpenDatabase();
                return WriteImport(db, plan, overwrite, reporting(work));
            });
        shell::MsgBox(OutcomeText(outcome), shell::vbOKOnly | shell::vbInformation, QStringLiteral("Import"));
        return !outcome.cancelled;
    } catch (const FileError& e) {
        return refuse(e.why());
    } catch (const store::StoreError& e) {
        return refuse(QStringLiteral("nothing was written, because %1").arg(e.message()));
    }
}

void ExportInteractive(QWidget* owner)
{
    QString selected;
    QString path = QFileDialog::getSaveFileName(
        owner, QStringLiteral("Export Movies"), QDir(folder()).filePath(QStringLiteral("Movies.csv")),
        QStringLiteral("CSV (*.csv);;Tellico (*.tc);;Web page (*.html)"), &selected);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += selected.startsWith(QLatin1String("Tellico")) ? QStringLiteral(".tc")
                : selected.startsWith(QLatin1String("Web"))   ? QStringLiteral(".html")
                                                              : QStringLiteral(".csv");
    // The page is whole either way; covers make it larger.
    const bool covers = IsWebPageName(path) &&
                        shell::MsgBox(QStringLiteral("Include covers in the web page? They make the file larger."),
                                      shell::vbYesNo | shell::vbQuestion, QStringLiteral("Export")) == shell::vbYes;
    try {
        const int count = shell::RunInBackground(
            owner,
            {QStringLiteral("Export"), QStringLiteral("Exporting movies..."), QStringLiteral("frmExportProgress")},
            [&](shell::Work& work) { return ExportFile(store::OpenDatabase(), path, reporting(work), covers); });
        if (count < 0)
            return; // cancelled: the file was never written
        shell::MsgBox(QStringLiteral("%1 written to \"%2\".")
                          .arg(shell::Counted(count, "movie", "movies"), QDir::toNativeSeparators(path)),
                      shell::vbOKOnly | shell::vbInformation, QStringLiteral("Export"));
    } catch (const FileError& e) {
        shell::MsgBox(QStringLiteral("\"%1\" was not written: %2.").arg(QDir::toNativeSeparators(path), e.why()),
                      shell::vbOKOnly | shell::vbExclamation, QStringLiteral("Export"));
    } catch (const store::StoreError& e) {
        shell::MsgBox(QStringLiteral("\"%1\" was not written: %2").arg(QDir::toNativeSeparators(path), e.message()),
                      shell::vbOKOnly | shell::vbExclamation, QStringLiteral("Export"));
    }
}

} // namespace exchange
