#include "gui/frmMain.h"
#include "support/Language.h"

#include <QTest>

// The main window, shown offscreen.
class tst_frmmain : public QObject
{
    Q_OBJECT

private slots:
    void captionIsTheProgramName();
};

void tst_frmmain::captionIsTheProgramName()
{
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
    frmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), Language::Text(1));
}

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
