#include "shell/frmSplashR.h"

#include "shell/App.h"
#include "shell/Toolkit.h"
#include "shell/frmAbout.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QSysInfo>

namespace shell {

frmSplashR::frmSplashR(QWidget* parent) : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplashR"));
    setFrameShape(QFrame::Box);
    setLineWidth(2);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_DriveDVDIcon).pixmap(64, 64)
                                                        : QApplication::windowIcon().pixmap(64, 64));
    auto* film = new QLabel(this);
    film->setObjectName(QStringLiteral("imgFilm"));
    film->setPixmap(style()->standardIcon(QStyle::SP_MediaPlay).pixmap(24, 24));
    auto* company = new QLabel(QStringLiteral("Cinevault"), this);
    company->setObjectName(QStringLiteral("lblCompanyProduct"));
    auto* product = new QLabel(this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    product->setFont(big);
    // The platform the program runs on, not the one it was first written for.
    auto* platform = new QLabel(QSysInfo::prettyProductName(), this);
    platform->setObjectName(QStringLiteral("lblPlatform"));
    auto* version = new QLabel(this);
    version->setObjectName(QStringLiteral("lblVersion"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 18, 24, 18);
    grid->addWidget(logo, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(company, 0, 1);
    grid->addWidget(film, 0, 2, Qt::AlignRight);
    grid->addWidget(product, 1, 1, 1, 2);
    grid->addWidget(platform, 2, 1, Qt::AlignBottom);
    grid->addWidget(version, 2, 2, Qt::AlignRight | Qt::AlignBottom);
    grid->setColumnStretch(1, 1);
    resize(TwipsToPixelsX(6000), TwipsToPixelsY(2600));

    // Loading
    version->setText(VersionText());
    product->setText(App::Title());
}

} // namespace shell
