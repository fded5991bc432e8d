// Writes the program icon, painted by the skin, as <folder>/<size>/oggquorvel.png
// for every size named on the command line; the build installs them into
// the desktop's icon theme.
#include "gui/controls/SkinLogo.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int pixels = QString::fromLatin1(argv[i]).toInt();
        const QString path = folder.filePath(QStringLiteral("%1/oggquorvel.png").arg(pixels));
        if (pixels < 1 || !QDir().mkpath(QFileInfo(path).path()) || !oq::SkinAppIcon(pixels).save(path)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
