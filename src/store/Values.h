#pragma once

#include <QString>
#include <QVariant>

namespace store {

// A yes/no column as other tools write it: a number, or a word such as 'yes' or 'True'.
inline bool IsTrue(const QVariant& value)
{
    if (value.isNull())
        return false;
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray)
        return value.toDouble() != 0;
    const QString text = value.toString().trimmed();
    bool number = false;
    const double n = text.toDouble(&number);
    if (number)
        return n != 0;
    for (const char* word : {"true", "yes", "y", "t", "on"})
        if (text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace store
