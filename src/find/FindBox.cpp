#include "find/FindBox.h"

#include "find/FindQuery.h"
#include "shell/Toolkit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>

namespace find {

FindBox::FindBox(QWidget* parent, double left, double top) : QLineEdit(parent), m_left(left), m_top(top)
{
    setObjectName(QStringLiteral("txtFind"));
    setPlaceholderText(QStringLiteral("Find (Ctrl+F)"));
    setClearButtonEnabled(true);
    setMaxLength(kMaxLength); // a long paste is cut here rather than searched
    auto* shortcut = new QShortcut(QKeySequence::Find, parent, nullptr, nullptr, Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] {
        setFocus(Qt::ShortcutFocusReason);
        selectAll();
    });
    parent->installEventFilter(this);
    follow();
}

void FindBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        clear();
        emit LeaveToList();
        return;
    }
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier) {
        emit LeaveToList();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool FindBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        follow();
    return QLineEdit::eventFilter(watched, event);
}

void FindBox::follow()
{
    const double room = shell::PixelsToTwipsX(parentWidget()->width()) - m_left - 120;
    shell::PlaceTwips(this, m_left, m_top, qMax(900.0, room), 360);
}

} // namespace find
