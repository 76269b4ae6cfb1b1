#pragma once

#include "shell/Toolkit.h"
#include "store/Catalogue.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <map>
#include <vector>

namespace testing {

// A fresh catalogue from the shipped schema in its own folder, which becomes the program folder.
class TempCatalogue
{
public:
    TempCatalogue();
    ~TempCatalogue();

    QString dir() const { return m_dir.path(); }
    QString path() const { return store::CataloguePath(); }
    store::Connection open() const { return store::OpenDatabase(path()); }

    // Adds a movie; credits are names (looked up, added when new; empty means "Unknown").
    // Keys of fields: Director, Producer, Executive_Producer, Composer, Writer, Screenwriter,
    // Cinematographer, Studio, Genre, Format, Length, Year_Released, Grade, Rating, Widescreen.
    qint64 addMovie(const QString& title, const std::map<QString, QVariant>& fields = {});
    qint64 addActor(const QString& last, const QString& first);
    void link(qint64 actorId, qint64 movieId);
    qint64 lookupKey(const QString& table, const QString& column, const QString& name);

    // One value of the first row the statement yields (null when none).
    QVariant scalar(const QString& sql, const std::vector<QVariant>& params = {}) const;
    // Rows of a table, or of "table WHERE ..." when given.
    qint64 count(const QString& from) const
    {
        return scalar(QStringLiteral("SELECT count(*) FROM ") + from).toLongLong();
    }

private:
    QTemporaryDir m_dir;
};

// Answers message boxes instead of a person and remembers what each said.
class ScriptedMessages
{
public:
    ScriptedMessages();
    ~ScriptedMessages();

    void answer(int button) { m_answers.push_back(button); } // queued, first in first out
    void setDefaultYesNo(int button) { m_defaultYesNo = button; }

    const std::vector<shell::MessageRecord>& boxes() const { return m_boxes; }
    const shell::MessageRecord& last() const { return m_boxes.back(); }
    QStringList texts() const;
    int count() const { return int(m_boxes.size()); }
    void clear() { m_boxes.clear(); }

private:
    std::vector<shell::MessageRecord> m_boxes;
    std::deque<int> m_answers;
    int m_defaultYesNo = shell::vbYes;
};

// Gives a child the test may kill its own place for coverage counters: one killed while writing
// them would leave the build's counters unreadable.
void MakeKillable(QProcess& child, QProcessEnvironment env = QProcessEnvironment::systemEnvironment());

// Clicks the button of that name in the window with the mouse, as the user does.
void click(QWidget* window, const char* name);

} // namespace testing
