// Build tool: writes the program icon as hicolor PNGs, DIR/NxN/quillon.png for every size given.
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include "qt/Artwork.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quillon-iconbake DIR SIZE...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "quillon-iconbake: bad size '%s'\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2").arg(dir).arg(size);
        const QString file = folder + QStringLiteral("/quillon.png");
        if (!QDir().mkpath(folder) || !quillon::qt::RenderAppIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "quillon-iconbake: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
