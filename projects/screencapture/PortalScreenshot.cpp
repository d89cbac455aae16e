#include "PortalScreenshot.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QUrl>
#include <unistd.h>

#include "OutputFile.h"

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

bool portalOnBus(QDBusConnection& bus) {
    QDBusConnectionInterface* daemon = bus.interface();
    if (!daemon) {
        return false;
    }
    if (daemon->isServiceRegistered(portalService).value()) {
        return true;
    }
    QDBusReply<QStringList> activatable = daemon->call(QStringLiteral("ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(portalService);
}

// The portal names the request object after our unique bus name and our token; listening there
// before the call means an answer that comes at once is not missed.
QString expectedRequestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    return portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

bool listen(QDBusConnection& bus, const QString& path, PortalRequest& request) {
    return bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), &request,
                       SLOT(onResponse(uint, QVariantMap)));
}

// The portal's picture as PNG bytes: taken as they are when they already are a PNG.
QByteArray pngOf(const QUrl& uri) {
    if (!uri.isLocalFile()) {
        return QByteArray();
    }
    QFile file(uri.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    QByteArray bytes = file.readAll();
    if (looksLikePng(bytes)) {
        return bytes;
    }
    QImage image = QImage::fromData(bytes);
    QByteArray png;
    QBuffer buffer(&png);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return QByteArray();
    }
    return png;
}

} // namespace

void PortalRequest::onResponse(uint code, const QVariantMap& values) {
    answered = true;
    response = code;
    results = values;
    m_loop.quit();
}

PortalOutcome portalScreenshot(QByteArray& png) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !portalOnBus(bus)) {
        return PortalOutcome::Unavailable;
    }
    QEventLoop loop;
    PortalRequest request(loop);
    QString token = QStringLiteral("nvcapture%1").arg(getpid());
    QString expected = expectedRequestPath(bus, token);
    listen(bus, expected, request);
    QDBusServiceWatcher watcher(portalService, bus, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop, &QEventLoop::quit);

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"));
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), true},
                        {QStringLiteral("modal"), true}};
    call << QString() << options;
    QDBusReply<QDBusObjectPath> handle = bus.call(call);
    if (!handle.isValid()) {
        return PortalOutcome::Unavailable;
    }
    // Older portals chose the path themselves.
    if (handle.value().path() != expected) {
        listen(bus, handle.value().path(), request);
    }
    if (!request.answered) {
        loop.exec();
    }
    if (!request.answered || request.response != 0) {
        return PortalOutcome::Cancelled;
    }
    png = pngOf(QUrl(request.results.value(QStringLiteral("uri")).toString()));
    return png.isEmpty() ? PortalOutcome::Cancelled : PortalOutcome::Taken;
}
