#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

class QObject;
class QThreadPool;
class QWidget;

namespace shell {

// The threads the program's own work runs on away from the window's thread. Qt paints large areas
// with the help of its global pool and waits for it, so work of ours holding those threads for
// seconds would freeze every window.
QThreadPool* WorkPool();

// What a piece of work running away from the window's thread is told and asks: how far it has got,
// and whether the user has given up on it. A default one (the command line) never cancels.
class Work
{
public:
    Work() = default;
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;

    // Done of total; false once the user pressed Cancel. A total of 0 says "busy, no end known".
    bool Report(qint64 done, qint64 total);
    bool Cancelled() const { return m_cancelled.load(); }
    // A new line for the progress window ("Writing the file...").
    void SetText(const QString& text);

    // The progress window's side.
    void Cancel() { m_cancelled = true; }
    using Listener = std::function<void(qint64 done, qint64 total, const QString& text)>;
    void SetListener(Listener listener) { m_listener = std::move(listener); }

private:
    std::atomic<bool> m_cancelled{false};
    Listener m_listener; // called on the working thread; set before the work starts
};

// How the progress window reads.
struct ProgressText
{
    QString title;  // the window's title ("Import")
    QString label;  // what is going on ("Importing movies...")
    QString object; // its objectName, for tests ("frmImportProgress")
};

namespace detail {
// Starts `job` on a pool thread and returns at once; `finished` runs on the window's thread when it
// ends, unless `guard` is gone by then. A progress window over `owner` with Cancel shows if it takes
// more than half a second; `finished` is told whether the user cancelled.
void StartDetached(QObject* guard, QWidget* owner, const ProgressText& text, std::shared_ptr<Work> work,
                   std::function<void()> job, std::function<void(bool cancelled)> finished);
// Tells the user of a failure that ended work in the background.
void TellFailure(std::exception_ptr failure);
// Runs `job` on a pool thread while the window's thread waits in an event loop, input to the
// program's other windows held back, behind a progress window with Cancel that shows after half a
// second. Without a QApplication (the command line) the job runs here, unseen.
void RunWaiting(QWidget* owner, const ProgressText& text, Work& work, const std::function<void()>& job);
} // namespace detail

// Runs `work(Work&)` in the background and returns what it returns; an exception it throws is
// thrown here. Whether the user cancelled is the work's to tell (Work::Cancelled), so what it did
// before the cancel can be kept or undone as the work sees fit.
template <class F> auto RunInBackground(QWidget* owner, const ProgressText& text, F&& work)
{
    using Result = decltype(work(std::declval<Work&>()));
    Work progress;
    std::exception_ptr failure;
    if constexpr (std::is_void_v<Result>) {
        detail::RunWaiting(owner, text, progress, [&] {
            try {
                work(progress);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        if (failure)
            std::rethrow_exception(failure);
    } else {
        std::optional<Result> result;
        detail::RunWaiting(owner, text, progress, [&] {
            try {
                result.emplace(work(progress));
            } catch (...) {
                failure = std::current_exception();
            }
        });
        if (failure)
            std::rethrow_exception(failure);
        return std::move(*result);
    }
}

// Starts `work(Work&)` in the background and returns at once: the window goes on. Once the work
// ends, `done(result)` runs on the window's thread, unless `guard` has gone meanwhile or the user
// cancelled in the progress window, which shows over `owner` after half a second. A failure the work
// throws is told in a message box instead.
template <class F, class D>
void StartInBackground(QObject* guard, QWidget* owner, const ProgressText& text, F&& work, D&& done)
{
    using Result = decltype(work(std::declval<Work&>()));
    using Held = std::conditional_t<std::is_void_v<Result>, bool, Result>;
    struct State
    {
        std::optional<Held> result;
        std::exception_ptr failure;
    };
    auto state = std::make_shared<State>();
    auto progress = std::make_shared<Work>();
    detail::StartDetached(
        guard, owner, text, progress,
        [state, progress, work = std::forward<F>(work)]() mutable {
            try {
                if constexpr (std::is_void_v<Result>) {
                    work(*progress);
                    state->result.emplace(true);
                } else {
                    state->result.emplace(work(*progress));
                }
            } catch (...) {
                state->failure = std::current_exception();
            }
        },
        [state, done = std::forward<D>(done)](bool cancelled) mutable {
            if (state->failure)
                detail::TellFailure(state->failure);
            else if (cancelled)
                return;
            else if constexpr (std::is_void_v<Result>)
                done();
            else
                done(std::move(*state->result));
        });
}

} // namespace shell
