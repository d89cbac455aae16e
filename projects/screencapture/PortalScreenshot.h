// PortalScreenshot: an interactive screenshot through the desktop portal (xdg-desktop-portal) on
// the session bus, the way that also works under Wayland. The portal answers the call with a
// request object and later sends that object's Response signal: 0 with the picture's URI, or a
// cancel.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QEventLoop;

enum class PortalOutcome {
    Unavailable, // no portal on the session bus, or it cannot take screenshots: grab X11 instead
    Cancelled,   // the user cancelled, or the portal went away
    Taken,
};

// Asks the portal and waits for its answer; on Taken, png holds the picture as PNG.
PortalOutcome portalScreenshot(QByteArray& png);

// Receives the request's Response signal (Qt's D-Bus signal delivery needs a slot).
class PortalRequest : public QObject {
    Q_OBJECT
public:
    explicit PortalRequest(QEventLoop& loop) : m_loop(loop) {}

    bool answered = false;
    uint response = 2;
    QVariantMap results;

public slots:
    void onResponse(uint code, const QVariantMap& values);

private:
    QEventLoop& m_loop;
};
