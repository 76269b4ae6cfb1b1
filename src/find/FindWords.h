#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace find {

// A word of the find box that another part of the program answers ("borrower:Anna"): given what
// follows the colon, the condition on a movie key column that keeps the movies it means, with the
// values it binds appended to `params`. Registered once per run, before the first search.
struct FindWord
{
    QString name; // lower case
    std::function<QString(const QString& value, const QString& keyColumn, std::vector<QVariant>& params)> condition;
};
void RegisterFindWord(FindWord word);
// The word of that name, whatever its case; null when none is registered.
const FindWord* FindWordNamed(const QString& name);

// What the find box takes to show the movies of one value of a field: genre:Drama,
// actor:"Ford, Harrison". The box has no way to quote a quote; a blank in its place still finds the
// words on either side, in order.
QString FindText(const QString& field, const QString& value);

} // namespace find
