// Writes an empty catalogue from the shipped schema. With --if-absent an existing file is kept.
#include "Features.h"
#include "store/Catalogue.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifAbsent = args.removeAll(QStringLiteral("--if-absent")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: reelkeeper_mkcatalogue [--if-absent] <file>\n");
        return 2;
    }
    if (ifAbsent && QFileInfo::exists(args.first()))
        return 0;
    RegisterFeatures();
    try {
        store::CreateCatalogue(args.first());
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
