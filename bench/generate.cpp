// Writes a synthetic catalogue: reelkeeper_generate <file> [movies]
#include "CatalogueGenerator.h"

#include "store/StoreError.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: reelkeeper_generate <file> [movies]\n");
        return 2;
    }
    const int movies = args.size() > 2 ? args.at(2).toInt() : 50000;
    try {
        bench::GenerateCatalogue(args.at(1), bench::ShapeFor(movies));
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
