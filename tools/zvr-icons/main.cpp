// zvr-icons: the program's icon in the sizes a desktop's icon theme looks for, made at build
// time from the one shipped picture, so that every size is that picture.
//   zvr-icons SOURCE.png OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/SIZExSIZE/apps/zvr.png for each size.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: zvr-icons SOURCE.png OUTPUT_DIR SIZE...\n", stderr);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "zvr-icons: %s cannot be read as a picture\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "zvr-icons: bad size '%s'\n", argv[i]);
            return 2;
        }
        const QString folder =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        QDir().mkpath(folder);
        // Smooth scaling of the whole picture; the largest size is the picture itself.
        const QImage scaled =
            source.width() == size && source.height() == size
                ? source
                : source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!scaled.save(folder + QStringLiteral("/zvr.png"), "PNG")) {
            std::fprintf(stderr, "zvr-icons: %s cannot be written\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
