// A stand-in for the desktop portal's Screenshot interface on a private session bus, answering as
// the real one does: the call returns the request object's path at once, and that object's
// Response signal follows with (0, {"uri": file URI}) or a cancel (1). Each call takes the next
// answer of the command line; "cancel" cancels, anything else names the picture's file.
#pragma once

#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class PortalStandin : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit PortalStandin(const QStringList& answers) : m_answers(answers) {}

public slots:
    QDBusObjectPath Screenshot(const QString& parentWindow, const QVariantMap& options);

private:
    QStringList m_answers;
};
