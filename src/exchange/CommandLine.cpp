#include "exchange/CommandLine.h"

#include "exchange/Exchange.h"
#include "shell/CatalogueHome.h"
#include "shell/Wording.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QFileInfo>
#include <QTextStream>
#include <cstring>

namespace exchange {

namespace {

const char* const kUsage =
    "Usage: reelkeeper [--catalogue PATH] [--import FILE [--overwrite] | --export FILE.csv|FILE.tc]\n"
    "\n"
    "With no arguments the program opens its window.\n"
    "  --import FILE        adds the movies of a CSV file, a Tellico file (.tc or its XML) or a\n"
    "                       GCstar GCfilms file; movies already in the catalogue are skipped\n"
    "  --overwrite          with --import: movies already in the catalogue are overwritten instead\n"
    "  --export FILE.csv    writes every movie as CSV (UTF-8, the grid's columns and Cast)\n"
    "  --export FILE.tc     writes every movie as a Tellico video collection\n"
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
        for (const char* option : {"--import", "--export", "--help", "-h", "--catalogue", "--overwrite"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

int RunCommandLine(const QStringList& arguments)
{
    QString importPath, exportPath, catalogue;
    bool overwrite = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            print(stdout, QString::fromLatin1(kUsage).trimmed());
            return 0;
        }
        if (a == QLatin1String("--overwrite")) {
            overwrite = true;
            continue;
        }
        QString* target = a == QLatin1String("--import")      ? &importPath
                          : a == QLatin1String("--export")    ? &exportPath
                          : a == QLatin1String("--catalogue") ? &catalogue
                                                              : nullptr;
        if (!target)
            return fail(QStringLiteral("unknown argument \"%1\"; --help lists the ones there are").arg(a));
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a file name").arg(a));
        *target = arguments.at(++i);
    }
    if (importPath.isEmpty() == exportPath.isEmpty())
        return fail(QStringLiteral("give either --import FILE or --export FILE"));
    if (overwrite && importPath.isEmpty())
        return fail(QStringLiteral("--overwrite goes with --import"));
    try {
        if (catalogue.isEmpty())
            shell::SettleCatalogue();
        else
            store::SetCataloguePath(QFileInfo(catalogue).absoluteFilePath());
        store::SetBackupFailureHandler([](const QString& message) { print(stderr, message); });
        if (!importPath.isEmpty())
            return import(importPath, overwrite);
        const store::Connection db = store::OpenDatabase();
        const int count = ExportFile(db, exportPath);
        print(stdout, QStringLiteral("%1 written to %2.").arg(shell::Counted(count, "movie", "movies"), exportPath));
        return 0;
    } catch (const FileError& e) {
        return fail(QStringLiteral("\"%1\": %2").arg(importPath.isEmpty() ? exportPath : importPath, e.why()));
    } catch (const store::StoreError& e) {
        return fail(QString(e.message()).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
}

} // namespace exchange
