// Renders the scalable icon to one square PNG, so that the hicolor sizes are made
// from the SVG at build time instead of being kept in the repository.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    // The icon has lettering, which needs a font database and so a platform; no
    // window is shown, so the offscreen one serves on any build machine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A build as a user with no login session (a package builder, a container)
    // has no runtime folder; Qt would warn and make one in /tmp for nothing.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool sizeValid = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&sizeValid) : 0;
    if (!sizeValid || size <= 0) {
        std::fputs("Usage: veltrano-render-icon SVG SIZE PNG\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "veltrano-render-icon: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(args.at(3), "PNG")) {
        std::fprintf(stderr, "veltrano-render-icon: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
