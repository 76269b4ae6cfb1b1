#include "support/TestSupport.h"

#include "Features.h"
#include "shell/App.h"
#include "store/Credits.h"

#include <QAbstractButton>
#include <QTest>

namespace testing {

TempCatalogue::TempCatalogue()
{
    if (!m_dir.isValid())
        qFatal("no temporary folder");
    RegisterFeatures();
    shell::App::SetPath(m_dir.path());
    store::CreateCatalogue(store::CataloguePath());
}

TempCatalogue::~TempCatalogue()
{
    shell::App::SetPath(QString());
}

qint64 TempCatalogue::lookupKey(const QString& table, const QString& column, const QString& name)
{
    if (name.isEmpty())
        return 1;
    store::Connection db = open();
    {
        store::Statement find(db, QStringLiteral("SELECT rowid FROM [%1] WHERE [%2] = ?").arg(table, column));
        find.bind(1, name);
        if (find.step())
            return find.column(0).toLongLong();
    }
    store::Statement add(db, QStringLiteral("INSERT INTO [%1] ([%2]) VALUES (?)").arg(table, column));
    add.bind(1, name);
    add.run();
    return db.lastInsertRowId();
}

qint64 TempCatalogue::addMovie(const QString& title, const std::map<QString, QVariant>& fields)
{
    QStringList columns{QStringLiteral("[Movie_Title]")};
    std::vector<QVariant> values{title};
    for (const store::Credit& c : store::kCredits) {
        const auto it = fields.find(QString::fromLatin1(c.name));
        const QString name = it == fields.end() ? QString() : it->second.toString();
        columns << QStringLiteral("[%1]").arg(QString::fromLatin1(c.key));
        values.emplace_back(lookupKey(QString::fromLatin1(c.table), QString::fromLatin1(c.name), name));
    }
    for (const char* plain : {"Length", "Year_Released", "Grade", "Rating", "Widescreen"}) {
        const auto it = fields.find(QString::fromLatin1(plain));
        if (it == fields.end())
            continue;
        columns << QStringLiteral("[%1]").arg(QString::fromLatin1(plain));
        values.push_back(it->second);
    }
    QStringList marks;
    for (std::size_t i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    store::Connection db = open();
    store::Statement add(db, QStringLiteral("INSERT INTO [tbl_Movie_Title] (%1) VALUES (%2)")
                                 .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    add.bindAll(values);
    add.run();
    return db.lastInsertRowId();
}

qint64 TempCatalogue::addActor(const QString& last, const QString& first)
{
    store::Connection db = open();
    store::Statement add(db, QStringLiteral("INSERT INTO [tbl_Actor] ([Actor_Last_Name], [Actor_First_Name]) "
                                            "VALUES (?, ?)"));
    add.bind(1, last);
    add.bind(2, first);
    add.run();
    return db.lastInsertRowId();
}

void TempCatalogue::link(qint64 actorId, qint64 movieId)
{
    store::Connection db = open();
    store::Statement add(db,
                         QStringLiteral("INSERT INTO [tbl_Actor_Movie_Join] ([Actor_ID], [Movie_ID]) VALUES (?, ?)"));
    add.bind(1, actorId);
    add.bind(2, movieId);
    add.run();
}

QVariant TempCatalogue::scalar(const QString& sql, const std::vector<QVariant>& params) const
{
    store::Connection db = open();
    store::Statement q(db, sql);
    q.bindAll(params);
    return q.step() ? q.column(0) : QVariant();
}

ScriptedMessages::ScriptedMessages()
{
    shell::SetMessageHandler([this](const shell::MessageRecord& box) {
        m_boxes.push_back(box);
        if (!m_answers.empty()) {
            const int a = m_answers.front();
            m_answers.pop_front();
            return a;
        }
        return box.yesNo() ? m_defaultYesNo : int(shell::vbOK);
    });
}

ScriptedMessages::~ScriptedMessages()
{
    shell::SetMessageHandler(nullptr);
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const auto& b : m_boxes)
        out << b.text;
    return out;
}

void click(QWidget* window, const char* name)
{
    QTest::mouseClick(window->findChild<QAbstractButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

void MakeKillable(QProcess& child, QProcessEnvironment env)
{
    static const QTemporaryDir counters;
    env.insert(QStringLiteral("GCOV_PREFIX"), counters.path());
    child.setProcessEnvironment(env);
}

} // namespace testing
