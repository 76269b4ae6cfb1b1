#include "shell/Upgrade.h"

#include "shell/Background.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QCoreApplication>

namespace shell {

namespace {

void tell(const QStringList& told)
{
    if (!told.isEmpty())
        MsgBox(told.join(kCrLf), vbOKOnly | vbInformation);
}

} // namespace

void UpgradeCatalogue(QWidget* owner, const QString& path)
{
    try {
        const store::Connection db(path, store::Connection::Mode::ReadOnly);
        if (!store::NeedsUpgrade(db))
            return;
    } catch (const store::StoreError&) {
        return; // opening it for the window says what is wrong, in its own words
    }
    const QStringList told = RunInBackground(
        owner, {kAppCaption, QStringLiteral("Preparing the catalogue..."), QStringLiteral("frmUpgrade")},
        [&](Work& work) {
            return store::UpgradeCatalogue(
                path, [&](qint64 done, qint64 total) { return work.Report(done, total); },
                [&](const QString& adds) {
                    work.SetText(QStringLiteral("Preparing the catalogue for %1...").arg(adds));
                });
        });
    tell(told);
}

void TellUpgrades()
{
    store::SetUpgradeNotice([](const QStringList& told) {
        QMetaObject::invokeMethod(
            qApp, [told] { tell(told); }, Qt::QueuedConnection);
    });
}

} // namespace shell
