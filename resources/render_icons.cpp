// Renders the application icon for the desktop's icon theme: the two hand-drawn sizes as they
// are, and larger sizes scaled from them pixel for pixel, so the art stays crisp.
#include "pictures/icon-book-16.xpm"
#include "pictures/icon-book-32.xpm"

#include <QDir>
#include <QImage>
#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QImage small(icon_book_16_xpm), large(icon_book_32_xpm);
    const struct {
        int size;
        const QImage &source;
    } renderings[] = {{16, small}, {32, large}, {48, small}, {256, large}};
    for (const auto &[size, source] : renderings) {
        const QImage image =
            source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QString path = out.filePath(QStringLiteral("lumatic-%1.png").arg(size));
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
