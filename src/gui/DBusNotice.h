#pragma once

#include "BatchEndNotice.h"

#include <QDBusConnection>

// The desktop's notification service (org.freedesktop.Notifications) on the session bus. The
// call is sent without waiting for its answer: the window never waits on the desktop, and no
// bus, no service or a refusal leaves the notice unseen and nothing else changed.
class DBusNotice : public BatchEndNotice
{
public:
    DBusNotice() : DBusNotice(QDBusConnection::sessionBus()) {}
    explicit DBusNotice(const QDBusConnection& bus) : m_bus(bus) {}

    void Send(const QString& summary, const QString& body) override;

    // The program's icon in the icon theme.
    static constexpr const char* Icon = "zr7e";

private:
    QDBusConnection m_bus;
};
