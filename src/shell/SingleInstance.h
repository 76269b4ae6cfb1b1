#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace shell {

// A named local socket per application title and user: the first instance listens on it, a later
// one connects, asks the first to come forward and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString ServerName(const QString& title);

    // True when an instance with this title already answers.
    static bool IsRunning(const QString& title, int timeoutMs = 500);
    // Asks that instance to show its main window; true once it has acknowledged.
    static bool ActivateRunning(const QString& title, int timeoutMs = 2000);

    // Starts answering under the title. A socket left by a crashed instance is removed first.
    bool Listen(const QString& title);

signals:
    void activateRequested();

private:
    QLocalServer* m_server = nullptr;
};

// Whether another instance runs: tested once at start, before the main window loads.
bool DetectPreviousInstance();
// The earlier instance is told to come forward; true when it did and this one must end. The
// application title is restored when nobody answered.
bool ActivatePreviousInstance();

} // namespace shell
