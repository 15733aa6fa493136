// Draws the application icon at the sizes of the hicolor theme:
//   render_icon SVG OUT_FOLDER SIZE...   writes OUT_FOLDER/SIZExSIZE/apps/tarvix.png
// The SVG image plugin (libqt6svg6) draws it, which the window needs anyway for its
// toolbar, so the build needs nothing more than the program does.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: render_icon SVG OUT_FOLDER SIZE...\n");
        return 1;
    }
    for (const QString& text : arguments.mid(3)) {
        bool isNumber = false;
        const int size = text.toInt(&isNumber);
        if (!isNumber || size < 1 || size > 1024) {
            std::fprintf(stderr, "render_icon: %s is no icon size\n", qPrintable(text));
            return 1;
        }
        QImageReader reader(arguments[1], "svg");
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr,
                "render_icon: cannot draw %s (is the Qt SVG image plugin, libqt6svg6, installed?): %s\n",
                qPrintable(arguments[1]), qPrintable(reader.errorString()));
            return 1;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(arguments[2]).arg(size);
        if (!QDir().mkpath(folder)
            || !image.convertToFormat(QImage::Format_ARGB32).save(folder + "/tarvix.png", "png")) {
            std::fprintf(stderr, "render_icon: cannot write %s/tarvix.png\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
