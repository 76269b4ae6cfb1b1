#include "exchange/CommandLine.h"

#include "exchange/Exchange.h"
#include "shell/CatalogueHome.h"
#include "shell/Wording.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTextStream>
#include <algorithm>

namespace exchange {

namespace {

const char* const kUsage =
    "Usage: reelkeeper [--catalogue PATH] [--import FILE [--overwrite] | --export FILE.csv|FILE.tc|FILE.html "
    "[--covers]]\n"
    "\n"
    "With no arguments the program opens its window.\n"
    "  --import FILE        adds the movies of a CSV file, a Tellico file (.tc or its XML) or a\n"
    "                       GCstar GCfilms file; movies already in the catalogue are skipped\n"
    "  --overwrite          with --import: movies already in the catalogue are overwritten instead\n"
    "  --export FILE.csv    writes every movie as CSV (UTF-8, the grid's columns and Cast)\n"
    "  --export FILE.tc     writes every movie as a Tellico video collection, with its cover\n"
    "  --export FILE.html   writes every movie as one web page that finds them as the program does\n"
    "  --covers             with --export FILE.html: puts each movie's cover in the page as well\n"
    "  --catalogue PATH     works on that catalogue instead of the program's own\n"
    "  --help               shows this text\n";

void print(FILE* stream, const QString& text)
{
    QTextStream(stream) << text << Qt::endl;
}

int fail(const QString& why)
{
    print(stderr, QStringLiteral("reelkeeper: ") + why);
    return 1;
}

// The options; a value follows --import, --export and --catalogue as the next argument or after "=".
const QList<QCommandLineOption>& options()
{
    static const QList<QCommandLineOption> all = {
        {QStringLiteral("import"), QString(), QStringLiteral("FILE")},
        {QStringLiteral("overwrite"), QString()},
        {QStringLiteral("covers"), QString()},
        {QStringLiteral("export"), QString(), QStringLiteral("FILE")},
        {QStringLiteral("catalogue"), QString(), QStringLiteral("PATH")},
        {{QStringLiteral("help"), QStringLiteral("h")}, QString()},
        {QStringLiteral("version"), QString()},
    };
    return all;
}

QString typed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The option an argument names, as it is typed: "--import", "--import=FILE", "-h".
const QCommandLineOption* named(const QString& argument)
{
    for (const QCommandLineOption& option : options())
        for (const QString& name : option.names())
            if (argument == typed(name) ||
                (!option.valueName().isEmpty() && argument.startsWith(typed(name) + QLatin1Char('='))))
                return &option;
    return nullptr;
}

// The first argument the parser could not place, as it was typed: a word that is no option, an
// option of another name, one given a value it takes none of, or "--" (nothing may follow it). Qt
// names an unknown option without its dashes, and a cluster such as -hx letter by letter.
QStringList::const_iterator refused(const QCommandLineParser& parser, const QStringList& arguments, bool parsed)
{
    const QStringList unknown = parser.unknownOptionNames(), stray = parser.positionalArguments();
    const bool dashesAreValue = std::any_of(options().begin(), options().end(), [&](const QCommandLineOption& o) {
        return !o.valueName().isEmpty() && parser.values(o).contains(QLatin1String("--"));
    });
    return std::find_if(arguments.begin() + 1, arguments.end(), [&](const QString& a) {
        if (stray.contains(a))
            return true;
        if (a == QLatin1String("--"))
            return !dashesAreValue;
        if (a.startsWith(QLatin1String("--")))
            return unknown.contains(a.mid(2).section(QLatin1Char('='), 0, 0)) ||
                   (!parsed && a.contains(QLatin1Char('=')) && !named(a));
        return a.startsWith(QLatin1Char('-')) &&
               std::any_of(a.begin() + 1, a.end(), [&](QChar c) { return unknown.contains(QString(c)); });
    });
}

int import(const QString& path, bool overwrite)
{
    ImportSource source = ReadImportFile(path);
    if (source.kind == Kind::Csv) {
        const int columns = source.table.rows.empty() ? 0 : int(source.table.rows.front().size());
        const std::vector<int> mapping = RememberedMapping(source.table.header, columns);
        if (std::find(mapping.begin(), mapping.end(), int(kTitle)) == mapping.end())
            throw FileError(QStringLiteral("no column is named Title; import the file in the window to map its "
                                           "columns"));
        source.data = MapRows(source.table, mapping);
    }
    // The copy before the change reads the catalogue beside the check that opening it makes.
    store::StartBackup(store::CataloguePath());
    const auto stopCopy = qScopeGuard([] { store::StopBackups(); });
    store::Connection db = store::OpenDatabase();
    const Plan plan = Preview(db, std::move(source.data));
    print(stdout, PreviewText(plan));
    for (const QString& line : plan.data.problems + plan.data.notes)
        print(stdout, line);
    const Outcome outcome = WriteImport(db, plan, overwrite);
    print(stdout, OutcomeText(outcome));
    return 0;
}

} // namespace

bool IsCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (named(QString::fromLocal8Bit(argv[i])))
            return true;
    return false;
}

int RunCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOptions(options());
    const bool parsed = parser.parse(arguments);
    const auto wrong = refused(parser, arguments, parsed);
    // --help and --version answer whatever follows them.
    const auto asked = [&](const QString& name) {
        return parser.isSet(name) && std::any_of(arguments.begin() + 1, wrong, [&](const QString& a) {
                   const QCommandLineOption* option = named(a);
                   return option && option->names().contains(name);
               });
    };
    if (asked(QStringLiteral("help"))) {
        print(stdout, QString::fromLatin1(kUsage).trimmed());
        return 0;
    }
    if (asked(QStringLiteral("version"))) {
        print(stdout, QStringLiteral("reelkeeper " REELKEEPER_VERSION));
        return 0;
    }
    if (wrong != arguments.end())
        return fail(QStringLiteral("unknown argument \"%1\"; --help lists the ones there are").arg(*wrong));
    if (!parsed) // only the last argument can lack its value
        return fail(named(arguments.last()) ? QStringLiteral("%1 needs a file name").arg(arguments.last())
                                            : parser.errorText());
    const QString importPath = parser.value(QStringLiteral("import")),
                  exportPath = parser.value(QStringLiteral("export")),
                  catalogue = parser.value(QStringLiteral("catalogue"));
    const bool overwrite = parser.isSet(QStringLiteral("overwrite")), covers = parser.isSet(QStringLiteral("covers"));
    if (importPath.isEmpty() == exportPath.isEmpty())
        return fail(QStringLiteral("give either --import FILE or --export FILE"));
    if (overwrite && importPath.isEmpty())
        return fail(QStringLiteral("--overwrite goes with --import"));
    if (covers && !IsWebPageName(exportPath))
        return fail(QStringLiteral("--covers goes with --export FILE.html"));
    try {
        if (catalogue.isEmpty())
            shell::SettleCatalogue();
        else
            store::SetCataloguePath(QFileInfo(catalogue).absoluteFilePath());
        store::SetBackupFailureHandler([](const QString& message) { print(stderr, message); });
        if (!importPath.isEmpty())
            return import(importPath, overwrite);
        const store::Connection db = store::OpenDatabase();
        const int count = ExportFile(db, exportPath, {}, covers);
        print(stdout, QStringLiteral("%1 written to %2.").arg(shell::Counted(count, "movie", "movies"), exportPath));
        return 0;
    } catch (const FileError& e) {
        return fail(QStringLiteral("\"%1\": %2").arg(importPath.isEmpty() ? exportPath : importPath, e.why()));
    } catch (const store::StoreError& e) {
        return fail(QString(e.message()).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
}

} // namespace exchange
