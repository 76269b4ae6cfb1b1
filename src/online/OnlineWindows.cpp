#include "online/OnlineWindows.h"

#include "online/Matching.h"
#include "online/OnlineFeature.h"
#include "online/Tmdb.h"
#include "shell/Settings.h"
#include "shell/Toolkit.h"
#include "shell/Wording.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

namespace online {

namespace {
const auto S = [](const char* text) { return QString::fromLatin1(text); };
const QString kApp = S("Reelkeeper");
const QString kSection = S("Online tmdb");
} // namespace

void ProtectSettingsFile()
{
    const QString file = QSettings(QSettings::IniFormat, QSettings::UserScope, kApp, kApp).fileName();
    if (QFile::exists(file))
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

frmOnlineSettings::frmOnlineSettings(QWidget* owner) : QDialog(owner)
{
    setObjectName(S("frmOnlineSettings"));
    setWindowTitle(S("Online Lookup"));
    auto* how = new QLabel(
        S("To look movies up, Reelkeeper needs your own key for The Movie Database (TMDb). It is free: sign up at "
          "www.themoviedb.org, then under Settings, API, ask for a key and paste here either the \"API Key\" or the "
          "\"API Read Access Token\". It is kept in your settings file, which only you can read, and is never "
          "shown again."),
        this);
    how->setWordWrap(true);
    how->setObjectName(S("lblHow"));
    const bool kept = HasTmdbKey();
    m_key = new QLineEdit(this);
    m_key->setObjectName(S("txtKey"));
    m_key->setEchoMode(QLineEdit::Password);
    m_key->setPlaceholderText(kept ? S("(your key is kept: type to replace it)") : S("(none yet)"));
    m_forget = new QCheckBox(S("&Forget the key kept"), this);
    m_forget->setObjectName(S("chkForget"));
    m_forget->setEnabled(kept);
    const TmdbSettings t = ReadTmdbSettings();
    m_language = new QLineEdit(t.language, this);
    m_language->setObjectName(S("txtLanguage"));
    m_country = new QLineEdit(t.country, this);
    m_country->setObjectName(S("txtCountry"));
    m_country->setMaxLength(2);
    auto* attribution = new QLabel(S(kTmdbAttribution), this);
    attribution->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(S("&Key or token:"), m_key);
    form->addRow(QString(), m_forget);
    form->addRow(S("&Language (\"de-DE\"):"), m_language);
    form->addRow(S("&Country for ratings (\"DE\"):"), m_country);
    auto* ok = new QPushButton(S("OK"), this);
    ok->setObjectName(S("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(S("Cancel"), this);
    cancel->setObjectName(S("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(how);
    layout->addLayout(form);
    layout->addWidget(attribution);
    layout->addLayout(buttons);
    setFixedWidth(520);

    connect(ok, &QPushButton::clicked, this, &frmOnlineSettings::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmOnlineSettings::save()
{
    std::vector<std::pair<QString, QString>> values{{S("Language"), m_language->text().trimmed()},
                                                    {S("Country"), m_country->text().trimmed().toUpper()}};
    // Pasted keys come with blanks and line breaks around them.
    const QString key = m_key->text().simplified().remove(QLatin1Char(' '));
    if (!key.isEmpty())
        values.emplace_back(S("Key"), key);
    else if (m_forget->isChecked())
        values.emplace_back(S("Key"), QString());
    // The file is closed to others before the key goes in.
    ProtectSettingsFile();
    shell::SaveSettings(kApp, kSection, values);
    ProtectSettingsFile();
    m_key->clear();
    accept();
}

frmOnlineUpdate::frmOnlineUpdate(MovieProvider& provider, std::vector<qint64> movieIds, const QString& which,
                                 QWidget* owner)
    : QDialog(owner), m_provider(provider), m_ids(std::move(movieIds))
{
    setObjectName(S("frmOnlineUpdate"));
    setWindowTitle(S("Update from Online"));
    resize(640, 480);
    auto* what = new QLabel(S("Update %1 (%2) from %3: each is matched by its TMDb id, else its IMDb id, else its "
                              "title, year and length. Films not sure to be the movie are listed to confirm.")
                                .arg(shell::Counted(qint64(m_ids.size()), "movie", "movies"), which, provider.Name()),
                            this);
    what->setWordWrap(true);
    m_replace =
        new QCheckBox(S("&Replace values the movies already have (otherwise only what is missing is filled)"), this);
    m_replace->setObjectName(S("chkReplace"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(S("prgUpdate"));
    m_bar->setRange(0, std::max(1, int(m_ids.size())));
    m_bar->setValue(0);
    m_status = new QLabel(this);
    m_status->setObjectName(S("lblStatus"));
    m_status->setWordWrap(true);
    m_doubtful = new QTableWidget(0, 3, this);
    m_doubtful->setObjectName(S("tblDoubtful"));
    m_doubtful->setHorizontalHeaderLabels({S("Movie"), S("Film found"), S("Match")});
    m_doubtful->horizontalHeader()->setStretchLastSection(true);
    m_doubtful->verticalHeader()->hide();
    m_doubtful->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_doubtful->hide();
    m_failures = new QPlainTextEdit(this);
    m_failures->setObjectName(S("txtFailures"));
    m_failures->setReadOnly(true);
    m_failures->hide();
    auto* attribution = new QLabel(provider.Attribution(), this);
    attribution->setWordWrap(true);

    m_start = new QPushButton(S("&Start"), this);
    m_start->setObjectName(S("cmdStart"));
    m_apply = new QPushButton(S("&Apply Ticked"), this);
    m_apply->setObjectName(S("cmdApply"));
    m_apply->hide();
    m_cancel = new QPushButton(S("Cancel"), this);
    m_cancel->setObjectName(S("cmdCancel"));
    for (QPushButton* b : {m_start, m_apply, m_cancel})
        b->setAutoDefault(false);
    m_start->setDefault(true);
    m_start->setEnabled(!m_ids.empty());

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(attribution, 1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_apply);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(what);
    layout->addWidget(m_replace);
    layout->addWidget(m_bar);
    layout->addWidget(m_status);
    layout->addWidget(m_doubtful, 1);
    layout->addWidget(m_failures, 1);
    layout->addStretch(); // while the lists are hidden, the rest stands at the top
    layout->addLayout(buttons);

    connect(m_start, &QPushButton::clicked, this, &frmOnlineUpdate::start);
    connect(m_apply, &QPushButton::clicked, this, &frmOnlineUpdate::applyTicked);
    connect(m_cancel, &QPushButton::clicked, this, &frmOnlineUpdate::reject);
}

frmOnlineUpdate::~frmOnlineUpdate() = default;

void frmOnlineUpdate::reject()
{
    if (m_run)
        m_run->cancel();
    else
        QDialog::reject();
}

void frmOnlineUpdate::closeEvent(QCloseEvent* event)
{
    // Closing while it runs is a cancel: what is written stays.
    if (m_run)
        m_run->cancel();
    QDialog::closeEvent(event);
}

void frmOnlineUpdate::start()
{
    m_start->setEnabled(false);
    m_replace->setEnabled(false);
    m_status->setText(S("Asking %1...").arg(m_provider.Name()));
    m_run = std::make_unique<BulkUpdate>(m_provider, m_ids, m_replace->isChecked());
    connect(m_run.get(), &BulkUpdate::progress, this, [this](int done, int total) {
        m_bar->setValue(done);
        m_status->setText(S("%1 of %2 done.").arg(done).arg(shell::Counted(total, "movie", "movies")));
    });
    connect(m_run.get(), &BulkUpdate::finished, this, &frmOnlineUpdate::ended, Qt::QueuedConnection);
    connect(&SharedGateway(), &Gateway::waiting, m_run.get(), [this](const QString& text) { m_status->setText(text); });
    m_run->start();
}

void frmOnlineUpdate::ended()
{
    const BulkResult r = m_run->result();
    m_run.reset();
    m_changed = m_changed || r.updated > 0;
    // Writes under way at a cancel end after it, unheard by the bar: it shows every movie done.
    const int handled = r.updated + r.unchanged + int(r.doubtful.size()) + int(r.failures.size());
    m_bar->setValue(qBound(m_bar->value(), handled, m_bar->maximum()));
    QStringList parts;
    parts << shell::Counted(r.updated, "movie updated", "movies updated");
    if (r.unchanged)
        parts << S("%1 had nothing to fill").arg(shell::Counted(r.unchanged, "movie", "movies"));
    if (!r.doubtful.empty())
        parts << S("%1 to confirm below").arg(shell::Counted(qint64(r.doubtful.size()), "film", "films"));
    if (!r.failures.isEmpty())
        parts << S("%1 not looked up").arg(shell::Counted(r.failures.size(), "movie", "movies"));
    QString text = parts.join(S(", ")) + QLatin1Char('.');
    if (r.cancelled)
        text = S("Cancelled: what was done before stays. ") + text;
    if (!r.stopped.isEmpty())
        text = S("Stopped: ") + r.stopped + QLatin1Char(' ') + text;
    m_status->setText(text);
    if (!r.failures.isEmpty()) {
        m_failures->setPlainText(r.failures.join(QLatin1Char('\n')));
        m_failures->show();
    }
    m_doubtful->setRowCount(0);
    for (const Doubtful& d : r.doubtful) {
        const int row = m_doubtful->rowCount();
        m_doubtful->insertRow(row);
        auto* movie =
            new QTableWidgetItem(d.movieYear.isEmpty() ? d.movieTitle : S("%1 (%2)").arg(d.movieTitle, d.movieYear));
        movie->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        movie->setCheckState(Qt::Unchecked); // skipped unless the user says it is the film
        m_doubtful->setItem(row, 0, movie);
        m_doubtful->setItem(
            row, 1,
            new QTableWidgetItem(S("%1 (%2) %3").arg(d.film.movie.title, d.film.movie.year, d.film.movie.length)));
        m_doubtful->setItem(row, 2, new QTableWidgetItem(S("%1%").arg(qRound(d.score * 100))));
    }
    m_pending = r.doubtful;
    m_doubtful->setVisible(!r.doubtful.empty());
    m_apply->setVisible(!r.doubtful.empty());
    m_doubtful->resizeColumnsToContents();
    m_cancel->setText(S("Close"));
}

void frmOnlineUpdate::applyTicked()
{
    QStringList failures;
    int applied = 0;
    for (int row = m_doubtful->rowCount() - 1; row >= 0; --row) {
        if (m_doubtful->item(row, 0)->checkState() != Qt::Checked)
            continue;
        QString error;
        if (BulkUpdate::Apply(m_pending[std::size_t(row)], m_replace->isChecked(), &error)) {
            ++applied;
            m_pending.erase(m_pending.begin() + row);
            m_doubtful->removeRow(row);
        } else {
            failures << error;
        }
    }
    m_changed = m_changed || applied > 0;
    m_status->setText(S("%1 applied.").arg(shell::Counted(applied, "film", "films")) +
                      (failures.isEmpty() ? QString() : QLatin1Char(' ') + failures.join(QLatin1Char(' '))));
}

} // namespace online
