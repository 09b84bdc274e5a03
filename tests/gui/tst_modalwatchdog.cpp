#include "WhenShown.h"

#include <QDialog>
#include <QMessageBox>
#include <QTest>

// The watchdog at work. This test fails on purpose: it waits for one window while another,
// which nothing answers, holds the screen. The watchdog must end it within seconds with a
// failure that names both windows; CTest passes it on that message (see CMakeLists.txt).
class tst_modalwatchdog : public QObject
{
    Q_OBJECT

private slots:
    void unexpectedWindowEndsTheTest();
};

void tst_modalwatchdog::unexpectedWindowEndsTheTest()
{
    QDialog awaited;
    awaited.setWindowTitle(QStringLiteral("Confirm operation"));
    WhenShown(&awaited, [&] { awaited.accept(); });
    QMessageBox unexpected(QMessageBox::Question, QStringLiteral("Anomaly"),
                           QStringLiteral("Decrypt anyway?"), QMessageBox::Yes | QMessageBox::No);
    unexpected.exec();
}

QTEST_MAIN(tst_modalwatchdog)
#include "tst_modalwatchdog.moc"
