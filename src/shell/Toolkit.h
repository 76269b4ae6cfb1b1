#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace shell {

// Message box flags and answers, with the values the message box has always used.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
enum MsgBoxResult : int { vbOK = 1, vbYes = 6, vbNo = 7 };

inline const QString kAppCaption = QStringLiteral("Cinevault - Reelkeeper");
inline const QString kCrLf = QStringLiteral("\r\n");

// One box as it was asked for.
struct MessageRecord
{
    QString text; // lines joined by CR LF
    QString title;
    int style = vbOKOnly;
    bool yesNo() const { return (style & 7) == vbYesNo; }
    int icon() const { return style & 0x70; }
};

// Modal message box, centred over the window that asked. Returns vbOK, vbYes or vbNo.
int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = kAppCaption);

// Tests install a handler that answers instead of a person; nullptr restores real boxes.
using MessageHandler = std::function<int(const MessageRecord&)>;
void SetMessageHandler(MessageHandler handler);

// Shows the window modally over its owner and returns once it is closed. The window is deleted
// afterwards, so each opening starts afresh. Minimising it minimises the windows under it too, and
// restoring any of them brings it back as it was. Tests install a handler that drives the window.
void ShowModal(QWidget* window, QWidget* owner);
using ModalHandler = std::function<void(QWidget* window)>;
void SetModalHandler(ModalHandler handler);

// The windows are laid out for fonts this system may not have. Where the font that stands in is
// wider, a one-line caption is drawn a little smaller instead of being cut off. ShowModal does
// this for every window it shows.
void FitCaptions(QWidget* window);

// The windows' face at the given size. Machines without Comic Sans MS get Comic Neue, or else the
// platform's sans-serif, never whatever script face fontconfig would pick for the name alone.
QFont WindowFont(double points, bool bold = false);

// Twips (1/1440 inch) against the screen's logical DPI.
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

// Places a control as the window's layout gives it, in twips from its parent's corner.
void PlaceTwips(QWidget* control, double left, double top, double width, double height);

// The hourglass (11) or the default arrow (0) over the whole program.
void SetMousePointer(int pointer);

} // namespace shell
