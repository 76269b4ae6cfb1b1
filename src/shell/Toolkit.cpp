#include "shell/Toolkit.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTextDocument>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace shell {

namespace {
MessageHandler& messageHandler()
{
    static MessageHandler h;
    return h;
}
ModalHandler& modalHandler()
{
    static ModalHandler h;
    return h;
}

double dpiX()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

// A modal window and the windows under it minimise and come back as one program: a minimised
// modal window would otherwise leave its owners on screen, blocked, with no way back to it. Only a
// real hide ends the window's loop; minimising sends a hide too, while the window stays visible.
class ModalWatcher : public QObject
{
public:
    ModalWatcher(QWidget* window, QEventLoop* loop) : QObject(window), m_window(window), m_loop(loop)
    {
        window->installEventFilter(this);
        for (QWidget* w = window->parentWidget(); w; w = w->parentWidget()) {
            w = w->window();
            m_owners.append(w);
            w->installEventFilter(this);
        }
    }
    ~ModalWatcher() override
    {
        for (const QPointer<QWidget>& w : std::as_const(m_owners))
            if (w)
                w->removeEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == m_window && e->type() == QEvent::Hide && !m_window->isVisible() && m_loop)
            m_loop->quit();
        if (e->type() == QEvent::WindowStateChange) {
            const auto* w = static_cast<QWidget*>(o);
            const bool wasMinimized = static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized;
            // Queued: the window system is still in the middle of this window's change.
            if (wasMinimized != w->isMinimized())
                QMetaObject::invokeMethod(
                    this, [this, min = !wasMinimized] { follow(min); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(o, e);
    }

private:
    void follow(bool minimize)
    {
        QList<QPointer<QWidget>> all = m_owners;
        all.prepend(m_window);
        for (const QPointer<QWidget>& w : std::as_const(all)) {
            if (!w || !w->isVisible() || w->isMinimized() == minimize)
                continue;
            w->setWindowState(minimize ? w->windowState() | Qt::WindowMinimized
                                       : w->windowState() & ~Qt::WindowMinimized);
        }
        if (minimize)
            return;
        QWidget* top = QApplication::activeModalWidget();
        if (!top)
            top = m_window;
        if (top) {
            top->raise();
            top->activateWindow();
        }
    }

    QPointer<QWidget> m_window;
    QPointer<QEventLoop> m_loop;
    QList<QPointer<QWidget>> m_owners;
};

// The window a box is centred over. Right after another box closes no window is active yet, so
// the modal window on top, or else the window that asked the last box, stands in.
QWidget* boxOwner()
{
    static QPointer<QWidget> lastOwner;
    QWidget* owner = QApplication::activeWindow();
    if (!owner || qobject_cast<QMessageBox*>(owner))
        owner = QApplication::activeModalWidget();
    if (!owner && lastOwner && lastOwner->isVisible() && !lastOwner->isMinimized())
        owner = lastOwner;
    if (!owner) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && !w->isMinimized() && !qobject_cast<QMessageBox*>(w) &&
                !(w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)) {
                owner = w;
                break;
            }
        }
    }
    lastOwner = owner;
    return owner;
}
} // namespace

int MsgBox(const QString& text, int style, const QString& title)
{
    const MessageRecord rec{text, title, style};
    if (messageHandler())
        return messageHandler()(rec);

    QMessageBox box(boxOwner());
    new ModalWatcher(&box, nullptr); // a box minimises and comes back with its window too
    box.setWindowTitle(title);
    QString shown = text;
    shown.replace(kCrLf, QStringLiteral("\n"));
    box.setTextFormat(Qt::PlainText); // names the user typed may hold markup
    box.setText(shown);
    switch (rec.icon()) {
    case vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (rec.yesNo()) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (rec.yesNo())
        return answer == QMessageBox::Yes ? vbYes : vbNo;
    return vbOK;
}

void SetMessageHandler(MessageHandler handler)
{
    messageHandler() = std::move(handler);
}

void ShowModal(QWidget* window, QWidget* owner)
{
    QPointer<QWidget> guard(window);
    if (owner && window->parentWidget() != owner)
        window->setParent(owner, window->windowFlags() | Qt::Window);
    window->setWindowModality(Qt::ApplicationModal);
    FitCaptions(window);
    QEventLoop loop;
    auto* dialog = qobject_cast<QDialog*>(window);
    QPointer<ModalWatcher> watcher = new ModalWatcher(window, modalHandler() || dialog ? nullptr : &loop);
    if (modalHandler()) {
        window->show();
        modalHandler()(window);
    } else if (dialog) {
        dialog->exec();
    } else {
        window->show();
        loop.exec(QEventLoop::DialogExec);
    }
    // The watcher goes before the window is hidden, so nothing reaches the loop once it is over.
    delete watcher.data();
    if (guard) {
        guard->hide();
        delete guard.data();
    }
}

QFont WindowFont(double points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"),
                      QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void PlaceTwips(QWidget* control, double left, double top, double width, double height)
{
    control->setGeometry(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height));
}

void FitCaptions(QWidget* window)
{
    for (QLabel* label : window->findChildren<QLabel*>()) {
        const QString text = label->text();
        if (text.isEmpty() || label->wordWrap() || text.contains(QLatin1Char('\n')) || Qt::mightBeRichText(text))
            continue;
        QFont font = label->font();
        const int room = label->contentsRect().width() - 2 * label->margin() - 1;
        while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 6.5)
            font.setPointSizeF(font.pointSizeF() - 0.25);
        if (font != label->font())
            label->setFont(font);
    }
}

void SetModalHandler(ModalHandler handler)
{
    modalHandler() = std::move(handler);
}

int TwipsToPixelsX(double twips)
{
    return qRound(twips * dpiX() / 1440.0);
}
int TwipsToPixelsY(double twips)
{
    return qRound(twips * dpiY() / 1440.0);
}
double PixelsToTwipsX(int pixels)
{
    return pixels * 1440.0 / dpiX();
}
double PixelsToTwipsY(int pixels)
{
    return pixels * 1440.0 / dpiY();
}

void SetMousePointer(int pointer)
{
    if (pointer == 11) {
        if (!QApplication::overrideCursor())
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
}

} // namespace shell
