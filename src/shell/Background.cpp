#include "shell/Background.h"

#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"

#include <QApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>
#include <mutex>

namespace shell {

QThreadPool* WorkPool()
{
    static std::mutex lock;
    static QPointer<QThreadPool> pool;
    std::lock_guard guard(lock);
    if (!pool) {
        // Owned by the application, it waits for the work still running as the program ends, as the
        // global pool does.
        pool = new QThreadPool;
        pool->setMaxThreadCount(qMax(4, QThread::idealThreadCount()));
        if (QCoreApplication* app = QCoreApplication::instance()) {
            pool->moveToThread(app->thread()); // whichever thread asks first
            pool->setParent(app);
        }
    }
    return pool;
}

bool Work::Report(qint64 done, qint64 total)
{
    if (m_listener)
        m_listener(done, total, QString());
    return !Cancelled();
}

void Work::SetText(const QString& text)
{
    if (m_listener)
        m_listener(-1, -1, text);
}

namespace detail {

namespace {

// Holds back the user's input to every window but the progress window while work runs: until the
// progress window shows, nothing else is modal, and a click could start a second command.
class InputHold : public QObject
{
public:
    explicit InputHold(QWidget* allowed) : m_allowed(allowed)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        qApp->installEventFilter(this);
    }
    ~InputHold() override
    {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        if (event->type() == QEvent::Close && !event->spontaneous())
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (m_allowed && widget && (widget == m_allowed || m_allowed->isAncestorOf(widget)))
            return false;
        if (event->type() == QEvent::Close)
            event->ignore();
        return true;
    }

private:
    QPointer<QWidget> m_allowed;
};

constexpr int kScale = 1000; // the bar counts thousandths, whatever the work counts in

QProgressDialog* makeDialog(QWidget* owner, const ProgressText& text, Qt::WindowModality modality)
{
    auto* dialog = new QProgressDialog(text.label, QStringLiteral("Cancel"), 0, 0, owner);
    dialog->setObjectName(text.object);
    dialog->setWindowTitle(text.title);
    dialog->setWindowModality(modality);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    dialog->setMinimumDuration(500);
    dialog->setValue(0); // starts the half second after which the window shows
    return dialog;
}

// The work reports on its own thread; the window takes the newest report, one at a time, for as
// long as it is there.
void follow(Work& work, QProgressDialog* shown)
{
    struct Latest
    {
        std::mutex lock;
        qint64 done = 0, total = 0;
        QString text;
        bool posted = false;
    };
    auto latest = std::make_shared<Latest>();
    QPointer<QProgressDialog> dialog(shown);
    QObject::connect(shown, &QProgressDialog::canceled, shown, [&work] { work.Cancel(); });
    work.SetListener([latest, dialog](qint64 done, qint64 total, const QString& label) {
        std::lock_guard guard(latest->lock);
        if (done >= 0) {
            latest->done = done;
            latest->total = total;
        } else {
            latest->text = label;
        }
        if (std::exchange(latest->posted, true))
            return;
        QMetaObject::invokeMethod(
            qApp,
            [latest, dialog] {
                qint64 done, total;
                QString label;
                {
                    std::lock_guard guard(latest->lock);
                    done = latest->done;
                    total = latest->total;
                    label = std::exchange(latest->text, QString());
                    latest->posted = false;
                }
                if (!dialog)
                    return;
                if (!label.isEmpty())
                    dialog->setLabelText(label);
                if (total > 0) {
                    dialog->setMaximum(kScale);
                    dialog->setValue(int(qBound(qint64(0), done * kScale / total, qint64(kScale - 1))));
                } else {
                    dialog->setMaximum(0);
                }
            },
            Qt::QueuedConnection);
    });
}

} // namespace

void RunWaiting(QWidget* owner, const ProgressText& text, Work& work, const std::function<void()>& job)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        job();
        return;
    }
    const std::unique_ptr<QProgressDialog> dialog(makeDialog(owner, text, Qt::ApplicationModal));
    follow(work, dialog.get());

    InputHold hold(dialog.get());
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(WorkPool(), job));
    loop.exec();
    // The program quitting ends every loop, this one too, and at once once it has begun to: the
    // work still holds the caller's frame, so it ends before this returns.
    watcher.waitForFinished();
    work.SetListener({});
}

void StartDetached(QObject* guard, QWidget* owner, const ProgressText& text, std::shared_ptr<Work> work,
                   std::function<void()> job, std::function<void(bool cancelled)> finished)
{
    auto* watcher = new QFutureWatcher<void>(guard);
    QPointer<QProgressDialog> dialog;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        dialog = makeDialog(owner, text, Qt::WindowModal);
        follow(*work, dialog);
    }
    QObject::connect(watcher, &QFutureWatcher<void>::finished, watcher,
                     [watcher, dialog, work, finished = std::move(finished)] {
                         delete dialog.data();
                         watcher->deleteLater();
                         finished(work->Cancelled());
                     });
    // Gone with its guard: the work still ends, and nobody hears of it.
    QObject::connect(watcher, &QObject::destroyed, [dialog, work] {
        work->Cancel();
        delete dialog.data();
    });
    watcher->setFuture(QtConcurrent::run(WorkPool(), std::move(job)));
}

void TellFailure(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const store::StoreError& e) {
        ShowStoreError(e);
    } catch (const std::exception& e) {
        MsgBox(QStringLiteral("The work could not be finished: %1").arg(QString::fromLocal8Bit(e.what())),
               vbOKOnly | vbExclamation);
    }
}

} // namespace detail

} // namespace shell
