#pragma once

#include <QDialog>
#include <QStringList>

namespace shell {

// "Version 2.1.5": the program's own version numbers.
QString VersionText();

// The About box: title, version, description, and a way to the system information viewer.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    void StartSysInfo();

    // A per-user setting (application name, section, value name) read into KeyVal; false when
    // there is none. It names the system information viewer the user prefers.
    static bool GetKeyValue(const QString& KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

    // Viewers tried on the PATH when no preferred one is set, in this order.
    static QStringList CommonViewers();
};

} // namespace shell
