#include "shell/HelpViewer.h"

#include "shell/App.h"
#include "shell/Toolkit.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace shell {

HelpViewer::HelpViewer(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Reelkeeper Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    // Links are followed here only when they stay inside the help's own folder: a help page must
    // not start a web browser or any other program.
    m_browser->setOpenExternalLinks(false);
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (!IsLocalHelpLink(url, m_folder))
            return;
        if (url.path().isEmpty())
            m_browser->scrollToAnchor(url.fragment());
        else
            m_browser->setSource(url.isRelative() ? QUrl::fromLocalFile(m_folder + QLatin1Char('/')).resolved(url)
                                                  : url);
    });
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("txtKeyword"));
    m_search->setPlaceholderText(QStringLiteral("Type a word to look for, then press Enter"));
    auto* label = new QLabel(QStringLiteral("&Search:"), this);
    label->setBuddy(m_search);
    auto* bar = new QHBoxLayout;
    bar->addWidget(label);
    bar->addWidget(m_search, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);
    connect(m_search, &QLineEdit::returnPressed, this, [this] {
        const QString word = m_search->text().trimmed();
        if (!word.isEmpty() && !Find(word))
            MsgBox(
                QStringLiteral("\"%1\" was not found anywhere in the help. Try a shorter or different word.").arg(word),
                vbInformation);
    });
    resize(TwipsToPixelsX(9000), TwipsToPixelsY(8000));
}

bool HelpViewer::Open(const QString& file, Command command, QString* error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Unable to open the help file \"%1\": %2").arg(file, f.errorString());
        return false;
    }
    m_folder = QFileInfo(file).absolutePath();
    m_browser->setSearchPaths({m_folder});
    m_browser->setHtml(QString::fromUtf8(f.readAll()));
    m_browser->moveCursor(QTextCursor::Start);
    if (command == HelpPartialKey) {
        m_search->clear();
        m_search->setFocus();
    } else {
        m_browser->setFocus();
    }
    return true;
}

bool HelpViewer::IsLocalHelpLink(const QUrl& url, const QString& folder)
{
    if (url.isRelative())
        return !url.path().startsWith(QLatin1Char('/')) && !url.path().contains(QLatin1String(".."));
    if (!url.isLocalFile())
        return false;
    const QString target = QFileInfo(url.toLocalFile()).absoluteFilePath();
    return target.startsWith(QFileInfo(folder).absoluteFilePath() + QLatin1Char('/'));
}

bool HelpViewer::Find(const QString& keyword)
{
    if (keyword.isEmpty())
        return false;
    if (m_browser->find(keyword))
        return true;
    m_browser->moveCursor(QTextCursor::Start);
    return m_browser->find(keyword);
}

void WinHelp(QWidget* owner, const QString& helpFile, int command)
{
    if (helpFile.isEmpty()) {
        MsgBox(QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."),
               vbInformation, owner ? owner->windowTitle() : kAppCaption);
        return;
    }
    // One viewer per owner, brought forward on each call.
    static QPointer<HelpViewer> viewer;
    if (!viewer)
        viewer = new HelpViewer(owner);
    QString error;
    if (!viewer->Open(helpFile, HelpViewer::Command(command), &error)) {
        delete viewer.data();
        MsgBox(error, vbOKOnly, App::Title());
        return;
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
}

} // namespace shell
