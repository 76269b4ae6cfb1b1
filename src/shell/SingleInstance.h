#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

namespace shell {

// One instance per application title and user. The first start takes a lock file and listens on a
// local socket, both in a folder only this user can enter, before anything loads; a later start
// finds the lock held by a live process, asks that instance to come forward and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // XDG_RUNTIME_DIR when it is this user's alone, else a folder of our own made private; empty
    // when neither can be had.
    static QString Folder();
    // The socket's full path for the title; the lock file lies beside it.
    static QString ServerName(const QString& title);

    // Takes the title for this process and starts answering on its socket; false when a live
    // instance holds it. Without a private folder or a writable lock the rule cannot be kept and
    // the start goes on.
    bool Claim(const QString& title);
    // Asks the instance holding the title to come forward. True while a live holder remains,
    // whether it answered in time or not (it may be busy with a long report); false when it has
    // gone and this process claimed the title instead.
    bool HandOver(const QString& title, int timeoutMs = 2000);

signals:
    void activateRequested();

private:
    void answer(QLocalSocket* peer);

    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

// Brings a window to the front in the state it had before it was minimised: maximised stays so.
void BringForward(QWidget* window);

// Claims the instance under the application title before the main window loads; sets the
// previous-instance flag when another live instance holds it.
bool DetectPreviousInstance(SingleInstance& instance);
// The earlier instance is told to come forward; true when this one must end. The application
// title is restored when the earlier instance has gone and this one took its place.
bool ActivatePreviousInstance();

} // namespace shell
