#include "DBusNotice.h"

#include <QDBusMessage>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantMap>

void DBusNotice::Send(const QString& summary, const QString& body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry the windows belong to: the desktop groups the notice with them.
    QVariantMap hints;
    if (!QGuiApplication::desktopFileName().isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), QGuiApplication::desktopFileName());
    // Application name, no notice replaced, icon, summary, body, no actions, hints, and the
    // server's own time-out.
    call << summary << 0u << QString::fromLatin1(Icon) << summary << body << QStringList() << hints
         << -1;
    // The answer, or the bus's error when nobody serves the name, is of no use: it is dropped.
    m_bus.send(call);
}
