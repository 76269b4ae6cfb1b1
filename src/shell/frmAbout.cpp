#include "shell/frmAbout.h"

#include "shell/App.h"
#include "shell/Settings.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

namespace shell {

QString VersionText()
{
    return QStringLiteral("Version ") + QString::number(App::Major()) + QLatin1Char('.') +
           QString::number(App::Minor()) + QLatin1Char('.') + QString::number(App::Revision());
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Cinevault - Reelkeeper"));
    // Customize: without it X11 window managers give every dialog a maximise button.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_DriveDVDIcon).pixmap(48, 48)
                                                        : QApplication::windowIcon().pixmap(48, 48));
    auto* title = new QLabel(QStringLiteral("Application Title"), this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version"), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* description =
        new QLabel(QStringLiteral("The Cinevault - Reelkeeper is a movie database entry and report system. "
                                  "Questions and comments are welcome at reelkeeper@cinevault.example.\n\n"
                                  // TMDb's terms ask for this wherever its data is used.
                                  "This product uses the TMDB API but is not endorsed or certified by TMDB."),
                   this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(title, 0, 1, 1, 2);
    grid->addWidget(version, 1, 1, 1, 2);
    grid->addWidget(description, 2, 1, 1, 2);
    grid->addWidget(line, 3, 0, 1, 3);
    grid->addWidget(ok, 4, 2);
    grid->addWidget(sysInfo, 5, 2);
    grid->setColumnStretch(1, 1);
    // A fixed size that follows the contents: the wrapped description sets the width, the layout
    // the height, also when a caption changes later.
    const QMargins margins = grid->contentsMargins();
    description->setFixedWidth(TwipsToPixelsX(5700) - margins.left() - margins.right() -
                               qMax(0, grid->horizontalSpacing()) - 48);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    // Loading
    version->setText(VersionText());
    title->setText(App::Title());
    description->setText(description->text() + QStringLiteral("\n\nYour catalogue: ") +
                         QDir::toNativeSeparators(store::CataloguePath()));
}

bool frmAbout::GetKeyValue(const QString& KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal)
{
    KeyVal = GetSetting(KeyRoot, KeyName, SubKeyRef);
    return !KeyVal.isEmpty();
}

QStringList frmAbout::CommonViewers()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("lshw-gtk"), QStringLiteral("gnome-system-monitor")};
}

void frmAbout::StartSysInfo()
{
    QString path;
    QString preferred;
    if (GetKeyValue(App::Title(), QStringLiteral("SysInfo"), QStringLiteral("PATH"), preferred)) {
        const QFileInfo info(preferred);
        path = info.isAbsolute() ? (info.isExecutable() && info.isFile() ? preferred : QString())
                                 : QStandardPaths::findExecutable(preferred);
    }
    if (path.isEmpty()) {
        for (const QString& viewer : CommonViewers()) {
            path = QStandardPaths::findExecutable(viewer);
            if (!path.isEmpty())
                break;
        }
    }
    if (path.isEmpty() || !QProcess::startDetached(path, {})) {
        MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), vbOKOnly, App::Title());
        return;
    }
}

} // namespace shell
