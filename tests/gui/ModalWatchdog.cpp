#include "ModalWatchdog.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

ModalWatchdog* s_watchdog = nullptr;

void StartWatchdog()
{
    s_watchdog = new ModalWatchdog(QCoreApplication::instance());
}

// «"Title" (class)», with a message box's text.
QString Describe(const QWidget* window)
{
    QString text = QLatin1Char('"') + window->windowTitle() + QStringLiteral("\" (") +
                   QString::fromLatin1(window->metaObject()->className()) + QLatin1Char(')');
    if (const auto* box = qobject_cast<const QMessageBox*>(window))
        text += QStringLiteral(" saying \"") + box->text() + QLatin1Char('"');
    return text;
}

} // namespace

// Started by the application's constructor, so that no test has to remember it.
Q_COREAPP_STARTUP_FUNCTION(StartWatchdog)

ModalWatchdog::ModalWatchdog(QObject* parent) : QObject(parent)
{
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Check(); });
    timer->start(100);
}

void ModalWatchdog::Await(QWidget* window)
{
    if (s_watchdog)
        s_watchdog->m_awaited.append(window);
}

void ModalWatchdog::Arrived(QWidget* window)
{
    if (s_watchdog)
        s_watchdog->m_awaited.removeAll(window);
}

void ModalWatchdog::Check()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != m_current) {
        m_current = modal;
        m_since.start();
    }
    if (!modal)
        return;
    if (QTest::currentTestFailed()) {
        CloseModalWindows();
        return;
    }
    if (m_since.elapsed() < TimeoutMs)
        return;
    QString message = QStringLiteral("The modal window ") + Describe(modal) +
                      QStringLiteral(" was left waiting for %1 s").arg(TimeoutMs / 1000);
    m_awaited.removeAll(nullptr);
    if (!m_awaited.isEmpty() && m_awaited.last() != modal)
        message += QStringLiteral(" while the test waited for ") + Describe(m_awaited.last());
    QTest::qFail(qPrintable(message + QStringLiteral("; it was closed.")), __FILE__, __LINE__);
    CloseModalWindows();
}

void ModalWatchdog::CloseModalWindows()
{
    QWidget* last = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == last)
            return; // it refuses to close
        last = modal;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}
