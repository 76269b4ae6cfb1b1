#include "scan/ScanWindow.h"

#include "catalog/Barcode.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverImage.h"
#include "covers/CoverStore.h"
#include "scan/Picture.h"
#include "scan/ScanStore.h"
#include "shell/Background.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "shell/Wording.h"
#include "store/Catalogue.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace scan {

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };
enum Column { kCode, kState, kTitle };
constexpr int kLargestSide = 2500; // a phone's photo is scaled to this before it is searched
} // namespace

frmScan::frmScan(BarcodeService& service, online::MovieProvider* provider, std::function<void(qint64)> show,
                 QWidget* owner)
    : QDialog(owner), m_db(store::OpenDatabase()),
      m_resolver(service, provider,
                 [this](const QString& code) -> std::optional<std::pair<qint64, QString>> {
                     const auto id = MovieWithCode(m_db, code);
                     if (!id)
                         return std::nullopt;
                     store::Statement q(m_db, S("SELECT [Movie_Title] FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?"));
                     q.bindAll({*id});
                     return std::pair{*id, q.step() ? q.column(0).toString() : QString()};
                 }),
      m_show(std::move(show))
{
    setObjectName(S("frmScan"));
    setWindowTitle(S("Scan Barcodes"));
    setAcceptDrops(true);
    resize(720, 460);

    auto* prompt = new QLabel(S("Scan or type a barcode, or drop or paste a picture of one:"), this);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(S("txtCode"));
    m_entry->installEventFilter(this);
    prompt->setBuddy(m_entry);

    m_grid = new QTableWidget(0, 3, this);
    m_grid->setObjectName(S("grdScanned"));
    m_grid->setHorizontalHeaderLabels({S("Code"), S("State"), S("Title")});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    // Room for thirteen digits beside the tick.
    m_grid->setColumnWidth(kCode, m_grid->fontMetrics().horizontalAdvance(S("0000000000000")) + 44);
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setIconSize(QSize(32, 48));
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);

    m_status = new QLabel(this);
    m_status->setObjectName(S("lblStatus"));
    m_status->setWordWrap(true);

    m_add = new QPushButton(S("&Add"), this);
    m_add->setObjectName(S("cmdAdd"));
    m_again = new QPushButton(S("Look A&gain"), this);
    m_again->setObjectName(S("cmdLookAgain"));
    m_forget = new QPushButton(S("&Forget"), this);
    m_forget->setObjectName(S("cmdForget"));
    auto* close = new QPushButton(S("&Close"), this);
    close->setObjectName(S("cmdClose"));
    for (QPushButton* b : {m_add, m_again, m_forget, close})
        b->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_again);
    buttons->addWidget(m_forget);
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_entry);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(m_entry, &QLineEdit::returnPressed, this, [this] {
        const QString typed = m_entry->text();
        m_entry->clear();
        Take(typed);
    });
    connect(&m_resolver, &Resolver::changed, this, [this](int row) {
        showRow(row);
        settled(row);
    });
    connect(m_add, &QPushButton::clicked, this, &frmScan::addTicked);
    connect(m_again, &QPushButton::clicked, this, &frmScan::lookAgain);
    connect(m_forget, &QPushButton::clicked, this, &frmScan::forget);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // A title typed for a code that found nothing ticks it for "Add".
    connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || item->column() != kTitle)
            return;
        Scanned& s = m_resolver.Item(item->row());
        s.title = item->text().simplified();
        if (QTableWidgetItem* code = m_grid->item(item->row(), kCode))
            code->setCheckState(s.title.isEmpty() ? Qt::Unchecked : Qt::Checked);
    });

    try {
        for (const ToDo& t : CodesToDo(m_db)) {
            const int row = m_resolver.Add(t.code, State::ToDo);
            m_resolver.Item(row).note = t.note;
            showRow(row);
        }
    } catch (const store::StoreError& e) {
        shell::ShowStoreError(e);
    }
    if (m_grid->rowCount() > 0)
        tell(shell::Counted(m_grid->rowCount(), "code waits", "codes wait") +
             S(" in the to-do list: type a title to add one, or look again."));
    m_entry->setFocus();
}

frmScan::~frmScan() = default;

void frmScan::tell(const QString& text, bool beep)
{
    // A refused code stays said under the lines that follow, until the next: a scanner's burst of
    // codes would otherwise carry it away before it is read.
    if (beep) {
        QApplication::beep();
        m_refused = text;
    }
    m_status->setText(beep || m_refused.isEmpty() ? text : text + QLatin1Char('\n') + m_refused);
}

void frmScan::Take(const QString& typed)
{
    if (typed.trimmed().isEmpty())
        return;
    const catalog::Barcode code = catalog::ReadBarcode(typed);
    if (!code.ok())
        return tell(code.error, true);
    if (const int row = m_resolver.RowOf(code.digits); row >= 0) {
        m_grid->selectRow(row);
        return tell(S("%1 was scanned already in this session.").arg(code.digits));
    }
    const int row = m_resolver.Add(code.digits);
    if (m_grid->rowCount() <= row)
        showRow(row);
    m_grid->scrollToItem(m_grid->item(row, kCode));
    tell(shell::Counted(m_grid->rowCount(), "code", "codes") + S(" in this session."));
}

void frmScan::TakePicture(const QImage& picture)
{
    QImage image = picture;
    if (std::max(image.width(), image.height()) > kLargestSide)
        image = image.scaled(kLargestSide, kLargestSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QStringList codes = CodesInPicture(image);
    if (codes.isEmpty())
        return tell(S("No barcode was found in the picture."), true);
    for (const QString& c : codes)
        Take(c);
}

void frmScan::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasImage() || event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmScan::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data->hasImage()) {
        TakePicture(qvariant_cast<QImage>(data->imageData()));
    } else {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                TakePicture(QImage(url.toLocalFile()));
    }
    event->acceptProposedAction();
}

bool frmScan::eventFilter(QObject* watched, QEvent* event)
{
    // Pasting a picture into the entry takes its codes; pasted text is the entry's own.
    if (watched == m_entry && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (data && data->hasImage()) {
            if (event->type() == QEvent::KeyPress)
                TakePicture(qvariant_cast<QImage>(data->imageData()));
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmScan::showRow(int row)
{
    const Scanned& s = m_resolver.Items()[std::size_t(row)];
    m_filling = true;
    if (m_grid->rowCount() <= row)
        m_grid->setRowCount(row + 1);
    auto* code = new QTableWidgetItem(s.code);
    code->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    const bool tickable = s.state == State::Proposed || s.state == State::NotFound || s.state == State::ToDo;
    if (tickable) {
        code->setFlags(code->flags() | Qt::ItemIsUserCheckable);
        // A code that found nothing is added only once the user ticks it or types its title: the
        // shop's name cleaned is offered, not taken.
        code->setCheckState(s.state == State::Proposed ? Qt::Checked : Qt::Unchecked);
    }
    m_grid->setItem(row, kCode, code);
    auto* state = new QTableWidgetItem(StateText(s.state));
    state->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    state->setToolTip(s.note);
    m_grid->setItem(row, kState, state);
    auto* title = new QTableWidgetItem(s.title);
    title->setToolTip(s.note);
    title->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                    (s.state == State::NotFound || s.state == State::ToDo || s.state == State::Proposed
                         ? Qt::ItemIsEditable
                         : Qt::NoItemFlags));
    if (!s.thumbnail.isNull()) {
        title->setIcon(QIcon(QPixmap::fromImage(s.thumbnail)));
    } else if (s.movieId > 0) {
        try {
            if (const QImage thumb = covers::Thumbnail(m_db, s.movieId); !thumb.isNull())
                title->setIcon(QIcon(QPixmap::fromImage(thumb)));
        } catch (const store::StoreError&) {
            // A cover that cannot be read leaves the row without one; the row says the rest.
        }
    }
    m_grid->setItem(row, kTitle, title);
    m_grid->removeCellWidget(row, kTitle);
    if (s.state == State::Choose) {
        auto* choose = new QComboBox(m_grid);
        choose->setObjectName(S("cboCandidates"));
        choose->addItem(S("(choose the film for \"%1\")").arg(s.title));
        for (const online::Candidate& c : s.candidates)
            choose->addItem(c.year.isEmpty() ? c.title : S("%1 (%2)").arg(c.title, c.year));
        connect(choose, &QComboBox::activated, this, [this, row](int index) {
            const Scanned& s = m_resolver.Items()[std::size_t(row)];
            if (index > 0 && std::size_t(index) <= s.candidates.size())
                m_resolver.Choose(row, online::Candidate(s.candidates[std::size_t(index) - 1]));
        });
        m_grid->setCellWidget(row, kTitle, choose);
    }
    m_grid->resizeRowToContents(row);
    m_filling = false;
}

void frmScan::settled(int row)
{
    const Scanned& s = m_resolver.Items()[std::size_t(row)];
    if (s.state == State::InCatalogue && m_show)
        m_show(s.movieId);
    if (s.state == State::NotFound) {
        // Without a network or past the day's allowance every code would read "not found" unexplained.
        if (s.unasked)
            tell(s.code + S(": ") + s.note);
        // Kept at once: a code that found nothing outlives the window and the program.
        try {
            KeepToDo(m_db, {s.code, s.note});
        } catch (const store::StoreError& e) {
            shell::ShowStoreError(e);
        }
    }
}

void frmScan::addTicked()
{
    struct Job
    {
        int row;
        catalog::Movie movie;
        QByteArray poster;
        qint64 id = 0;
    };
    std::vector<Job> jobs;
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        const QTableWidgetItem* code = m_grid->item(row, kCode);
        const Scanned& s = m_resolver.Items()[std::size_t(row)];
        if (!code || !(code->flags() & Qt::ItemIsUserCheckable) || code->checkState() != Qt::Checked ||
            s.title.isEmpty())
            continue;
        Job job{row, s.film ? s.film->movie : catalog::Movie{}, s.poster};
        job.movie.title = s.title;
        job.movie.barcodes = {s.code};
        jobs.push_back(std::move(job));
    }
    if (jobs.empty())
        return tell(S("Nothing is ticked to add: tick a proposed movie, or type a title for a code."), true);

    try {
        shell::RunInBackground(this, {S("Scan Barcodes"), S("Adding movies..."), S("frmScanProgress")},
                               [&jobs](shell::Work& work) {
                                   store::Connection db = store::OpenDatabase();
                                   store::Transaction unit(db);
                                   catalog::MovieWriter writer(db);
                                   qint64 done = 0;
                                   for (Job& job : jobs) {
                                       const catalog::Placement place = writer.Place(job.movie.title, job.movie.year);
                                       bool hasCover = false;
                                       if (place.match) {
                                           // The film is catalogued under its title already: this
                                           // edition's code joins it.
                                           catalog::Movie held = *catalog::ReadMovie(db, place.match);
                                           if (!held.barcodes.contains(job.movie.barcodes[0]))
                                               held.barcodes.push_back(job.movie.barcodes[0]);
                                           writer.Overwrite(place.match, held);
                                           job.id = place.match;
                                           hasCover = covers::HasCover(db, job.id);
                                       } else {
                                           job.movie.title = place.title;
                                           job.id = writer.Add(job.movie);
                                       }
                                       if (!job.poster.isEmpty() && !hasCover) {
                                           const covers::Prepared p = covers::PrepareCover(job.poster, S("the poster"));
                                           if (p.ok())
                                               covers::SaveCover(db, job.id, p.cover);
                                       }
                                       DoneWith(db, job.movie.barcodes[0]);
                                       work.Report(++done, qint64(jobs.size()));
                                   }
                                   unit.commit();
                               });
    } catch (const store::StoreError& e) {
        shell::ShowStoreError(e);
        return;
    }
    for (const Job& job : jobs) {
        Scanned& s = m_resolver.Item(job.row);
        s.state = State::Added;
        s.movieId = job.id;
        showRow(job.row);
    }
    m_wrote = true;
    tell(S("Added ") + shell::Counted(qint64(jobs.size()), "movie", "movies") + S(", each with its barcode."));
}

void frmScan::lookAgain()
{
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    for (const QModelIndex& index : rows)
        m_resolver.Retry(index.row());
}

void frmScan::forget()
{
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    int forgotten = 0;
    for (const QModelIndex& index : rows) {
        Scanned& s = m_resolver.Item(index.row());
        if (s.state != State::NotFound && s.state != State::ToDo)
            continue;
        try {
            DoneWith(m_db, s.code);
        } catch (const store::StoreError& e) {
            shell::ShowStoreError(e);
            return;
        }
        s.note = S("Taken off the to-do list.");
        s.title.clear();
        s.state = State::NotFound;
        ++forgotten;
        m_filling = true;
        m_grid->item(index.row(), kState)->setText(S("forgotten"));
        m_grid->item(index.row(), kCode)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_filling = false;
    }
    tell(shell::Counted(forgotten, "code", "codes") + S(" taken off the to-do list."));
}

void frmScan::keepUnfinished()
{
    // Whatever was scanned and neither added nor found in the catalogue waits for the next time.
    try {
        for (const Scanned& s : m_resolver.Items())
            if (s.state != State::Added && s.state != State::InCatalogue && s.state != State::NotFound &&
                s.state != State::ToDo)
                KeepToDo(m_db, {s.code, s.note.isEmpty() ? S("Not looked up yet.") : s.note});
    } catch (const store::StoreError& e) {
        shell::ShowStoreError(e);
    }
}

void frmScan::done(int result)
{
    m_resolver.CancelAll();
    keepUnfinished();
    QDialog::done(result);
}

} // namespace scan
