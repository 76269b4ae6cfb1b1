#include "find/FindWords.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace find {

namespace {

struct Words
{
    std::mutex lock;
    std::deque<FindWord> words; // never moved, so a word found stays where it is
};

Words& words()
{
    static Words w;
    return w;
}

} // namespace

void RegisterFindWord(FindWord word)
{
    Words& w = words();
    std::lock_guard guard(w.lock);
    word.name = word.name.toLower();
    const auto same =
        std::find_if(w.words.begin(), w.words.end(), [&](const FindWord& f) { return f.name == word.name; });
    if (same != w.words.end())
        *same = std::move(word);
    else
        w.words.push_back(std::move(word));
}

const FindWord* FindWordNamed(const QString& name)
{
    Words& w = words();
    std::lock_guard guard(w.lock);
    const QString lower = name.toLower();
    for (const FindWord& f : w.words)
        if (f.name == lower)
            return &f;
    return nullptr;
}

QString FindText(const QString& field, const QString& value)
{
    const QString v = QString(value).replace(QLatin1Char('"'), QLatin1Char(' ')).simplified();
    const bool plain = !v.isEmpty() && std::all_of(v.begin(), v.end(), [](QChar c) { return c.isLetterOrNumber(); });
    return field + QLatin1Char(':') + (plain ? v : QLatin1Char('"') + v + QLatin1Char('"'));
}

} // namespace find
