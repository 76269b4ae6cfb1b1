#include "shell/Toolkit.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTextDocument>
#include <QWidget>

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

// Closing a modal window ends the local loop that shows it.
class CloseWatcher : public QObject
{
public:
    CloseWatcher(QWidget* w, QEventLoop* loop) : QObject(w), m_loop(loop) { w->installEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Close || e->type() == QEvent::Hide)
            QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        return QObject::eventFilter(o, e);
    }

private:
    QEventLoop* m_loop;
};
} // namespace

int MsgBox(const QString& text, int style, const QString& title)
{
    const MessageRecord rec{text, title, style};
    if (messageHandler())
        return messageHandler()(rec);

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    QString shown = text;
    shown.replace(kCrLf, QStringLiteral("\n"));
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
    if (modalHandler()) {
        window->show();
        modalHandler()(window);
    } else if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->exec();
    } else {
        QEventLoop loop;
        new CloseWatcher(window, &loop);
        window->show();
        loop.exec(QEventLoop::DialogExec);
    }
    if (guard) {
        guard->hide();
        delete guard.data();
    }
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
