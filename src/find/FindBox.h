#pragma once

#include <QLineEdit>

namespace find {

// The find box in the main window's top band, to the right of its last button: it stretches to
// the window's right edge. Ctrl+F anywhere in the window brings the focus here; Escape empties
// it and Down hands the focus back to the list.
class FindBox : public QLineEdit
{
    Q_OBJECT
public:
    // Placed at left, top (twips) in parent, as wide as the parent leaves room for.
    FindBox(QWidget* parent, double left, double top);

signals:
    void LeaveToList();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();
    double m_left;
    double m_top;
};

} // namespace find
