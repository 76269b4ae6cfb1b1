#pragma once

#include <QString>
#include <functional>

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
    // Counts in place of `count` when set.
    std::function<qint64()> counter;
    bool isEmpty() const { return keys.isEmpty(); }
};

} // namespace store
