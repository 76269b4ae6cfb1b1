#include "online/LookupWindow.h"

#include "online/Matching.h"
#include "online/OnlineFeature.h"
#include "shell/Background.h"
#include "shell/Wording.h"

#include <QDialogButtonBox>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace online {

namespace {
const auto S = [](const char* text) { return QString::fromLatin1(text); };
constexpr int kThumbWidth = 92; // TMDb's smallest poster
constexpr int kCoverWidth = 500;
constexpr int kDirectorsAsked = 8; // the first candidates get their director shown
const QSize kIcon(46, 69);
constexpr int kCoverRow = -1;
} // namespace

frmLookup::frmLookup(MovieProvider& provider, const catalog::Movie& current, bool hasCover, QWidget* owner)
    : QDialog(owner), m_provider(provider), m_current(current), m_hasCover(hasCover)
{
    setObjectName(S("frmLookup"));
    setWindowTitle(S("Look Up"));
    resize(720, 560);

    m_title = new QLineEdit(current.title, this);
    m_title->setObjectName(S("txtLookupTitle"));
    m_year = new QLineEdit(current.year == QLatin1String(catalog::kDefaultYear) ? QString() : current.year, this);
    m_year->setObjectName(S("txtLookupYear"));
    m_year->setMaxLength(4);
    m_year->setFixedWidth(60);
    m_search = new QPushButton(S("&Search"), this);
    m_search->setObjectName(S("cmdSearch"));
    auto* titleLabel = new QLabel(S("&Title:"), this);
    titleLabel->setBuddy(m_title);
    auto* yearLabel = new QLabel(S("&Year:"), this);
    yearLabel->setBuddy(m_year);

    m_list = new QListWidget(this);
    m_list->setObjectName(S("lstCandidates"));
    m_list->setIconSize(kIcon);
    m_list->setUniformItemSizes(true);
    m_status = new QLabel(this);
    m_status->setObjectName(S("lblStatus"));
    m_status->setWordWrap(true);
    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(S("tblCompare"));
    m_table->setHorizontalHeaderLabels({S("Value"), S("Now"), provider.Name()});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->hide();
    auto* attribution = new QLabel(provider.Attribution(), this);
    attribution->setObjectName(S("lblAttribution"));
    attribution->setWordWrap(true);

    m_choose = new QPushButton(S("&Choose"), this);
    m_choose->setObjectName(S("cmdChoose"));
    m_fill = new QPushButton(S("&Fill In"), this);
    m_fill->setObjectName(S("cmdFillIn"));
    m_fill->setEnabled(false);
    auto* cancel = new QPushButton(S("Cancel"), this);
    cancel->setObjectName(S("cmdCancel"));
    for (QPushButton* b : {m_search, m_choose, m_fill, cancel})
        b->setAutoDefault(false);

    auto* row = new QHBoxLayout;
    row->addWidget(titleLabel);
    row->addWidget(m_title, 1);
    row->addWidget(yearLabel);
    row->addWidget(m_year);
    row->addWidget(m_search);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(attribution, 1);
    buttons->addWidget(m_choose);
    buttons->addWidget(m_fill);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(m_search, &QPushButton::clicked, this, &frmLookup::search);
    connect(m_title, &QLineEdit::returnPressed, this, &frmLookup::search);
    connect(m_year, &QLineEdit::returnPressed, this, &frmLookup::search);
    connect(&SharedGateway(), &Gateway::waiting, this, &frmLookup::tell);
    // Return or a double click on a film picks it.
    connect(m_list, &QListWidget::itemActivated, this, &frmLookup::choose);
    connect(m_choose, &QPushButton::clicked, this, &frmLookup::choose);
    connect(m_fill, &QPushButton::clicked, this, &frmLookup::fill);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &frmLookup::cancelAll);

    if (m_title->text().trimmed().isEmpty())
        m_title->setFocus();
    else
        search();
}

frmLookup::~frmLookup()
{
    cancelAll();
}

void frmLookup::cancelAll()
{
    for (const CallPtr& call : std::exchange(m_calls, {}))
        call->cancel();
}

void frmLookup::tell(const QString& text)
{
    m_status->setText(text);
}

void frmLookup::search()
{
    const QString title = m_title->text().simplified();
    if (title.isEmpty()) {
        tell(S("Type a title to look for."));
        m_title->setFocus();
        return;
    }
    cancelAll();
    m_film.reset();
    m_poster.reset();
    m_fill->setEnabled(false);
    m_table->hide();
    m_list->show();
    m_list->clear();
    m_choose->setEnabled(false);
    tell(S("Looking for \"%1\"...").arg(title));
    m_calls.push_back(m_provider.Search(
        this, title, m_year->text().trimmed(), [this](const std::vector<Candidate>& found) { showCandidates(found); },
        [this](const Error& e) { tell(e.message); }));
}

void frmLookup::showCandidates(const std::vector<Candidate>& found)
{
    m_candidates = found;
    m_list->clear();
    if (found.empty()) {
        tell(S("No film of that title was found. Try fewer words, or without the year."));
        m_title->setFocus();
        return;
    }
    tell(S("%1: pick one with the arrow keys and press Return.")
             .arg(shell::Counted(qint64(found.size()), "film", "films")));
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Candidate& c = found[i];
        QString text = c.year.isEmpty() ? c.title : S("%1 (%2)").arg(c.title, c.year);
        if (!c.originalTitle.isEmpty() && c.originalTitle != c.title)
            text += S("\n") + c.originalTitle;
        auto* item = new QListWidgetItem(text, m_list);
        item->setData(Qt::UserRole, int(i));
        item->setSizeHint(QSize(0, kIcon.height() + 6));
        if (!c.posterPath.isEmpty())
            m_calls.push_back(m_provider.Picture(
                this, c.posterPath, kThumbWidth,
                [this, i](const QByteArray& bytes) {
                    QPixmap p;
                    if (QListWidgetItem* it = m_list->item(int(i)); it && p.loadFromData(bytes))
                        it->setIcon(QIcon(p.scaled(kIcon, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
                },
                [](const Error&) {})); // a missing thumbnail leaves the row without one
        if (int(i) < kDirectorsAsked)
            m_calls.push_back(m_provider.Film(
                this, c.id,
                [this, i](const Details& d) {
                    QListWidgetItem* it = m_list->item(int(i));
                    const QString director = catalog::Names(d.movie, store::kDirector).join(S(", "));
                    if (it && !director.isEmpty()) {
                        m_candidates[i].director = director;
                        const QStringList lines = it->text().split(QLatin1Char('\n'));
                        it->setText(lines.value(0) + S(" - ") + director +
                                    (lines.size() > 1 ? S("\n") + lines[1] : QString()));
                    }
                },
                [](const Error&) {}));
    }
    m_list->setCurrentRow(0);
    m_list->setFocus();
    m_choose->setEnabled(true);
}

void frmLookup::choose()
{
    QListWidgetItem* item = m_list->currentItem();
    if (!item || m_list->isHidden())
        return;
    const Candidate& c = m_candidates.at(std::size_t(item->data(Qt::UserRole).toInt()));
    tell(S("Reading \"%1\"...").arg(c.title));
    m_choose->setEnabled(false);
    m_calls.push_back(m_provider.Film(
        this, c.id, [this](const Details& d) { compare(d); },
        [this](const Error& e) {
            tell(e.message);
            m_choose->setEnabled(true);
        }));
}

void frmLookup::compare(const Details& film)
{
    m_film = film;
    m_list->hide();
    m_table->show();
    m_table->setRowCount(0);
    auto addRow = [this](const QString& caption, const QString& now, const QString& online, bool tick, int field) {
        const int r = m_table->rowCount();
        m_table->insertRow(r);
        auto* name = new QTableWidgetItem(caption);
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        name->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
        name->setData(Qt::UserRole, field);
        m_table->setItem(r, 0, name);
        m_table->setItem(r, 1, new QTableWidgetItem(now));
        m_table->setItem(r, 2, new QTableWidgetItem(online));
        m_table->item(r, 1)->setToolTip(now);
        m_table->item(r, 2)->setToolTip(online);
    };
    const auto& fields = OnlineFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const OnlineField& f = fields[i];
        const QString now = f.text(m_current), online = f.text(film.movie);
        if (!HasValue(f, film.movie) || now == online)
            continue;
        addRow(f.caption, now, online, !HasValue(f, m_current), int(i));
    }
    if (!film.posterPath.isEmpty()) {
        addRow(S("Cover"), m_hasCover ? S("(a picture)") : QString(), S("(reading the poster...)"), !m_hasCover,
               kCoverRow);
        const int r = m_table->rowCount() - 1;
        auto call = std::make_shared<CallPtr>();
        *call = m_provider.Picture(
            this, film.posterPath, kCoverWidth,
            [this, r, call](const QByteArray& bytes) {
                // Decoded away from the window's thread; a window closed meanwhile takes its watcher along.
                auto* made = new QFutureWatcher<covers::Prepared>(this);
                connect(made, &QFutureWatcherBase::finished, this, [this, r, call, made] {
                    made->deleteLater();
                    if ((*call)->cancelled())
                        return; // another film is shown by now
                    const covers::Prepared p = made->result();
                    if (p.ok())
                        m_poster = p.cover;
                    m_table->item(r, 2)->setText(p.ok() ? S("(the poster)") : p.error);
                });
                made->setFuture(QtConcurrent::run(shell::WorkPool(),
                                                  [bytes] { return covers::PrepareCover(bytes, S("the poster")); }));
            },
            [this, r](const Error& e) { m_table->item(r, 2)->setText(e.message); });
        m_calls.push_back(*call);
    }
    m_table->resizeColumnsToContents();
    m_table->setColumnWidth(1, std::min(m_table->columnWidth(1), 260));
    tell(m_table->rowCount() == 0
             ? S("The movie already holds all this film has.")
             : S("Tick what to take from %1; the form is saved only with its own Update.").arg(m_provider.Name()));
    m_fill->setEnabled(true);
    m_fill->setFocus();
    if (m_table->rowCount() > 0)
        m_table->setCurrentCell(0, 0);
}

void frmLookup::fill()
{
    if (!m_film)
        return;
    m_filled = m_current;
    const auto& fields = OnlineFields();
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const QTableWidgetItem* name = m_table->item(r, 0);
        if (name->checkState() != Qt::Checked)
            continue;
        const int field = name->data(Qt::UserRole).toInt();
        if (field == kCoverRow)
            m_cover = m_poster;
        else
            fields[std::size_t(field)].take(m_filled, m_film->movie);
    }
    accept();
}

} // namespace online
