#include "PortalStandin.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>
#include <QUrl>
#include <cstdio>

QDBusObjectPath PortalStandin::Screenshot(const QString&, const QVariantMap& options) {
    QString sender = message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                       .arg(sender, options.value(QStringLiteral("handle_token")).toString());
    QString answer = m_answers.isEmpty() ? QStringLiteral("cancel") : m_answers.takeFirst();
    std::printf("portal: Screenshot interactive=%d -> %s\n",
                options.value(QStringLiteral("interactive")).toBool(), qPrintable(answer));
    std::fflush(stdout);
    // The answer comes after the call's reply, as from a real portal waiting for its user.
    QTimer::singleShot(0, this, [path, answer] {
        QDBusMessage response = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        QVariantMap results;
        if (answer != QLatin1String("cancel")) {
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(answer).toString());
        }
        response << uint(answer == QLatin1String("cancel") ? 1 : 0) << results;
        QDBusConnection::sessionBus().send(response);
    });
    return QDBusObjectPath(path);
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    PortalStandin portal(app.arguments().mid(1));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "portal: cannot serve on the session bus\n");
        return 1;
    }
    std::printf("portal: ready\n");
    std::fflush(stdout);
    return app.exec();
}
