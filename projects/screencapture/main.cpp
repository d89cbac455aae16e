// screencapture: the plug-in's companion for pictures.
//
//   screencapture capture OUT     interactive screenshot: through the desktop portal when the
//                                 session bus has one, otherwise on X11 by dragging a rectangle
//                                 (a click takes the whole screen, Escape cancels)
//   screencapture clipboard OUT   the clipboard's image/png bytes, unchanged
//
// OUT is created new (an existing file or link there is refused) and holds a PNG. Exit status:
// 0 written; 1 nothing to write (cancelled, no PNG on the clipboard, no answer); 2 bad command
// line; 3 the file could not be made.
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QScreen>
#include <cstdio>
#include <unistd.h>

#include "ClipboardImage.h"
#include "OutputFile.h"
#include "PortalScreenshot.h"
#include "SelectionOverlay.h"

namespace {

// Qt stops waiting for a silent clipboard owner after a few seconds per request; this bounds the
// whole exchange, whatever the owner does. The default action of SIGALRM ends us, and nothing has
// been written yet at that point.
const unsigned clipboardLimitSeconds = 12;

QByteArray pngOf(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return QByteArray();
    }
    return png;
}

QByteArray x11Capture(QApplication& app) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return QByteArray();
    }
    SelectionOverlay overlay(screen->grabWindow(0));
    overlay.setGeometry(screen->geometry());
    QObject::connect(&overlay, &SelectionOverlay::finished, &app, &QApplication::quit);
    overlay.show();
    app.exec();
    return pngOf(overlay.chosen());
}

int finish(const QString& out, const QByteArray& png) {
    if (png.isEmpty()) {
        return 1;
    }
    return writeNewFile(out, png) ? 0 : 3;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 || (qstrcmp(argv[1], "capture") != 0 && qstrcmp(argv[1], "clipboard") != 0)) {
        std::fprintf(stderr, "usage: screencapture capture|clipboard OUT\n");
        return 2;
    }
    bool clipboard = qstrcmp(argv[1], "clipboard") == 0;
    if (clipboard) {
        alarm(clipboardLimitSeconds);
    }
    QApplication app(argc, argv);
    QString out = QFile::decodeName(argv[2]);
    if (clipboard) {
        QByteArray png = clipboardPng();
        alarm(0);
        return finish(out, png);
    }
    QByteArray png;
    switch (portalScreenshot(png)) {
    case PortalOutcome::Taken:
        return finish(out, png);
    case PortalOutcome::Cancelled:
        return 1;
    case PortalOutcome::Unavailable:
        break;
    }
    return finish(out, x11Capture(app));
}
