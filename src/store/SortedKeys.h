#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

namespace store {

// The statements giving the movie keys of a list in the order of one of the grid's columns, then
// title, of the movies meeting a condition, and the one counting them; `probe` statements ask the
// same condition of one movie at a time. Empty when the column is not one of the grid's.
struct SortedKeys
{
    QString keys;
    QString count;
    QString member; // yields a row when the movie bound after the condition's values is among them
    QString walk;   // `keys` with the probe: the first rows of a filter many movies meet
    // `keys` and `walk` in the opposite order, the last movie first, for reading from the end.
    QString keysBack;
    QString walkBack;
    // Reading from one movie, for a place far from both ends. `at` holds a statement per part of the
    // order (the movies whose key names no row come apart from the named ones), giving the values
    // the part orders a movie by when the movie bound is in it. `beyond` gives, for the movie in a
    // part at those values, the statement of the keys after it (before it, the nearest first, when
    // `back`) or of their count, binding the condition's values, then its own, then a limit.
    struct Beyond
    {
        QString sql;
        std::vector<QVariant> values;
    };
    QStringList at;
    std::function<Beyond(int part, const std::vector<QVariant>& values, bool back, bool count)> beyond;
    // Counts in place of `count` when set.
    std::function<qint64()> counter;
    bool isEmpty() const { return keys.isEmpty(); }
};

} // namespace store
