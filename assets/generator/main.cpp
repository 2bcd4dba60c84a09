// Draws all of dezu's artwork into a folder: dezu_assetgen <folder>.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "artwork.h"
#include "image_formats.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dezu_assetgen <folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    int failures = 0;
    for (const auto& [name, bytes] : dezu::assets::generator::all_artwork()) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
