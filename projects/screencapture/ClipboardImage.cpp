#include "ClipboardImage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

QByteArray clipboardPng() {
    static const QString png = QStringLiteral("image/png");
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    // Asking for the list first keeps us from converting whatever image the owner has into a PNG
    // of our own: only the owner's bytes count.
    if (!offered || !offered->formats().contains(png)) {
        return QByteArray();
    }
    return offered->data(png);
}
