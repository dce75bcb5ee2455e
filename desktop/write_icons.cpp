// Writes the program icon as the PNG files of the desktop's icon theme:
// OUT/hicolor/NxN/apps/tavixterminal.png for every size the program draws.
//   tavix_write_icons OUT
#include "paint/program_icon_image.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Only images are drawn: no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavix_write_icons OUT\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : kProgramIconSizes) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString path = out.filePath(folder + QStringLiteral("/tavixterminal.png"));
        if (!out.mkpath(folder) || !ProgramIconImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "tavix_write_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
