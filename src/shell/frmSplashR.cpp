#include "shell/frmSplashR.h"

#include "shell/App.h"
#include "shell/Toolkit.h"

#include <QLabel>
#include <QVBoxLayout>

namespace shell {

frmSplashR::frmSplashR(QWidget* parent) : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplashR"));
    setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(kAppCaption, this);
    title->setObjectName(QStringLiteral("lblProductName"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version ") + QString::number(App::Major()) + QLatin1Char('.') +
                                   QString::number(App::Minor()) + QLatin1Char('.') + QString::number(App::Revision()),
                               this);
    version->setObjectName(QStringLiteral("lblVersion"));
    layout->addWidget(title, 0, Qt::AlignCenter);
    layout->addWidget(version, 0, Qt::AlignCenter);
    resize(TwipsToPixelsX(6000), TwipsToPixelsY(3000));
}

} // namespace shell
