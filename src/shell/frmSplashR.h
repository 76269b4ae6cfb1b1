#pragma once

#include <QFrame>

namespace shell {

// Shown while the main window loads.
class frmSplashR : public QFrame
{
    Q_OBJECT
public:
    explicit frmSplashR(QWidget* parent = nullptr);
};

} // namespace shell
