#pragma once

#include <QWidget>

class QLineEdit;
class QTextBrowser;
class QUrl;

namespace shell {

// The program's help: its HTML guide in a small browser window, at the contents or with the
// keyword search box ready.
class HelpViewer : public QWidget
{
    Q_OBJECT
public:
    enum Command { HelpContents = 11, HelpPartialKey = 261 };

    explicit HelpViewer(QWidget* owner = nullptr);

    // Opens the file; false with the reason in error when it cannot be read.
    bool Open(const QString& file, Command command, QString* error);

    // Moves to the next place holding the text, from the top when needed.
    bool Find(const QString& keyword);

    // Whether a link leads to a page of the help itself (relative, or a file in its folder).
    static bool IsLocalHelpLink(const QUrl& url, const QString& folder);

    QTextBrowser* Browser() const { return m_browser; }
    QLineEdit* SearchBox() const { return m_search; }

private:
    QTextBrowser* m_browser;
    QLineEdit* m_search;
    QString m_folder;
};

// Shows the help file for the command over the owner; a missing help file name or an unreadable
// file is told in a message box and the program goes on.
void WinHelp(QWidget* owner, const QString& helpFile, int command);

} // namespace shell
