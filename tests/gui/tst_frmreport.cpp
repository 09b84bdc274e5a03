#include "MainWindowWidgets.h"
#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "WhenShown.h"
#include "core/PurgeAdvice.h"
#include "engine/StreamFormat.h"
#include "gui/Twips.h"
#include "gui/frmAntivirusQuery.h"
#include "gui/frmGraphic.h"
#include "gui/frmMain.h"
#include "gui/frmPurgeAdvice.h"
#include "gui/frmReport.h"
#include "storage/FileCipher.h"
#include "support/Language.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <functional>

namespace {

// Lets pending events run when the batch asks, as the windows' own interaction does, so that
// timers can press the report's buttons during a run.
class EventfulInteraction : public ScriptedInteraction
{
public:
    void ProcessEvents() override { QCoreApplication::processEvents(); }
};

// Runs `action` once `condition` holds, checking whenever events are processed.
void WhenTrue(QObject* context, std::function<bool()> condition, std::function<void()> action)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, condition, action] {
        if (!condition())
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(0);
}

int Px(int twips)
{
    return Twips::ToPixels(twips);
}

} // namespace

// The report window inside the main window: its layout, copying, closing and showing again,
// real batches with Stop and Pause, and the purge advice dialogs.
class tst_frmreport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadsUnderTheMainWindow();
    void copyToClipboard_data();
    void copyToClipboard();
    void selectionWidensTheCopyButton();
    void closeKeepsTheReportCloseBoxDiscardsIt();
    void closeAfterAReliabilityTest();
    void enterClicksTheFocusedButton_data();
    void enterClicksTheFocusedButton();
    void escapeClosesOnlyAFinishedReport();
    void f1OnReportScreenOnlyWhileHidden();
    void batchRun();
    void endingAPausedBatch_data();
    void endingAPausedBatch();
    void purgeAdvice_data();
    void purgeAdvice();
    void purgeAdviceWrapsALongPath();

private:
    frmReport& report() { return m_window->report(); }
    void WriteLines(int count);
    // A folder of `count` text files and an output folder; the run fields are set to encrypt
    // them to "*.enc".
    void PrepareBatch(int count);

    QTemporaryDir m_config;
    QTemporaryDir* m_dir = nullptr;
    BatchRequest m_request; // the batch PrepareBatch sets up
    FileCipher* m_engine = nullptr;
    EventfulInteraction* m_interaction = nullptr;
    frmMain* m_window = nullptr;
};

void tst_frmreport::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
}

void tst_frmreport::init()
{
    m_dir = new QTemporaryDir;
    m_engine = new FileCipher;
    m_interaction = new EventfulInteraction;
    m_window = new frmMain(*m_engine, *m_interaction);
    QVERIFY(m_window->StartUp());
    m_engine->set_kdf_params({1, StreamFormat::MinMemLog}); // fast key derivation
    m_window->move(40, 30);
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_frmreport::cleanup()
{
    delete m_window;
    delete m_interaction;
    delete m_engine;
    delete m_dir;
}

void tst_frmreport::WriteLines(int count)
{
    for (int i = 1; i <= count; ++i)
        report().driver().report().Write(QStringLiteral("line %1 of the report\n").arg(i));
}

void tst_frmreport::PrepareBatch(int count)
{
    const QString folder = m_dir->path() + "/in/";
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(m_dir->path() + "/out"));
    for (int i = 0; i < count; ++i)
        QVERIFY(TestFiles::write(folder + QStringLiteral("file%1.txt").arg(i),
                                 TestFiles::randomBytes(1000 + i, i)));
    m_window->key().strKey = QByteArray(64, 'K');
    m_window->key().intKeySource = KeyRecord::Keyboard;
    m_request = BatchRequest::Of(m_window->setup());
    m_request.inputFolder = folder;
    m_request.inputSpec = "*.txt";
    m_request.outputFolder = m_dir->path() + "/out/";
    m_request.outputSpec = "*.enc";
    report().setWindowTitle("Encryption");
    report().show();
}

void tst_frmreport::loadsUnderTheMainWindow()
{
    WriteLines(3);
    report().ReportScreen();
    QVERIFY(QTest::qWaitForWindowExposed(&report()));
    const frmReport& r = report();
    QCOMPARE(r.pos(), m_window->pos() + QPoint(0, Px(420)));
    QCOMPARE(r.width(), m_window->width());
    const int width = Twips::FromPixels(r.width());
    QCOMPARE(r.txbText->geometry(), Twips::Rect(210, 120, width - 2 * 210 - 50, 4635));
    QCOMPARE(r.height(), Px(4635 + 1230));
    QCOMPARE(r.cmdClose->x() + r.cmdClose->width(), Px(width - 210));
    QCOMPARE(r.cmdClose->y(), Px(4635 + 1230 - 950));
    QVERIFY(qAbs(r.lblPausedDone->geometry().center().x() - r.width() / 2) <= 1);
    QCOMPARE(r.cmdCopyToClipboard->width(), Px(2115));
}

void tst_frmreport::copyToClipboard_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("expected");
    const QString all = "line 1 of the report\nline 2 of the report\nline 3 of the report\n";
    QTest::newRow("nothing selected") << 3 << 0 << 0 << all;
    QTest::newRow("selection across lines") << 3 << 5 << 27 << all.mid(5, 22);
    QTest::newRow("empty report") << 0 << 0 << 0 << "before";
}

void tst_frmreport::copyToClipboard()
{
    QFETCH(int, lines);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, expected);
    frmReport& r = report();
    WriteLines(lines);
    r.show();
    QTRY_COMPARE(QApplication::activeWindow(), &r);
    QTextCursor selection = r.txbText->textCursor();
    selection.setPosition(from);
    selection.setPosition(to, QTextCursor::KeepAnchor);
    r.txbText->setTextCursor(selection);
    QGuiApplication::clipboard()->setText("before");
    r.lblPausedDone->setText("Done");
    r.cmdCopyToClipboard->setText("Copy selected text to clipboard");
    r.cmdCopyToClipboard->show();
    QTest::mouseClick(r.cmdCopyToClipboard, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QVERIFY(r.cmdClose->hasFocus());
    // An empty report leaves everything but the focus alone.
    QCOMPARE(r.lblPausedDone->text(), lines ? QString() : QStringLiteral("Done"));
    if (lines) {
        QCOMPARE(r.cmdCopyToClipboard->text(), QStringLiteral("Copy to clipboard"));
        QCOMPARE(r.cmdCopyToClipboard->width(), Px(2115));
    }
}

void tst_frmreport::selectionWidensTheCopyButton()
{
    frmReport& r = report();
    WriteLines(5);
    r.ReportScreen();
    QTRY_COMPARE(QApplication::activeWindow(), &r);
    r.lblPausedDone->setText("Done");
    QWidget* view = r.txbText->viewport();
    auto pointAt = [&](int position) {
        QTextCursor cursor(r.txbText->document());
        cursor.setPosition(position);
        return r.txbText->cursorRect(cursor).center();
    };
    auto select = [&] {
        QTest::mousePress(view, Qt::LeftButton, {}, pointAt(3));
        QTest::mouseMove(view, pointAt(30));
        QTest::mouseRelease(view, Qt::LeftButton, {}, pointAt(30));
    };
    select();
    QVERIFY(r.txbText->textCursor().hasSelection());
    QCOMPARE(r.cmdCopyToClipboard->text(), QStringLiteral("Copy selected text to clipboard"));
    QCOMPARE(r.cmdCopyToClipboard->width(), Px(3165));
    QCOMPARE(r.lblPausedDone->text(), QString());

    QTest::mouseClick(view, Qt::LeftButton, {}, pointAt(40));
    QVERIFY(!r.txbText->textCursor().hasSelection());
    QCOMPARE(r.cmdCopyToClipboard->text(), QStringLiteral("Copy to clipboard"));
    QCOMPARE(r.cmdCopyToClipboard->width(), Px(2115));

    // Coming back to the window resets the caption.
    select();
    m_window->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), m_window);
    r.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &r);
    QCOMPARE(r.cmdCopyToClipboard->text(), QStringLiteral("Copy to clipboard"));
}

void tst_frmreport::closeKeepsTheReportCloseBoxDiscardsIt()
{
    frmReport& r = report();
    WriteLines(60);
    r.ReportScreen();
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    r.txbText->moveCursor(QTextCursor::End);
    QVERIFY(r.txbText->verticalScrollBar()->value() > 0);
    const QString text = r.txbText->toPlainText();

    QTest::mouseClick(r.cmdClose, Qt::LeftButton);
    QVERIFY(r.isHidden() && r.driver().stopRequested());
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->ClickGuard(), 3000);
    QTest::mouseClick(Widgets(*m_window).cmdReportScreen, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&r));
    QCOMPARE(r.txbText->toPlainText(), text);
    QCOMPARE(r.txbText->textCursor().position(), 0);
    QCOMPARE(r.txbText->verticalScrollBar()->value(), 0);
    QVERIFY(m_interaction->shown.isEmpty());

    r.move(r.pos() + QPoint(50, 50));
    r.close(); // the close box
    QVERIFY(r.isHidden());
    QVERIFY(r.driver().report().isEmpty());
    QVERIFY(r.txbText->toPlainText().isEmpty());
    QTest::mouseClick(Widgets(*m_window).cmdReportScreen, Qt::LeftButton);
    QVERIFY(r.isHidden());
    QCOMPARE(m_interaction->shown, QStringList{"Report screen: The report screen is empty."});
    QCOMPARE(m_interaction->icons.last(), Interaction::Icon::None);

    // Used again, it is placed afresh under the main window.
    WriteLines(1);
    r.ReportScreen();
    QCOMPARE(r.pos(), m_window->pos() + QPoint(0, Px(420)));
}

// After a reliability test Close restores the setup instead of stopping anything.
void tst_frmreport::closeAfterAReliabilityTest()
{
    frmReport& r = report();
    WriteLines(2);
    r.ReportScreen();
    r.RestoreSetupOnClose();
    QSignalSpy restore(&r, &frmReport::restoreSetupRequested);
    QTest::mouseClick(r.cmdClose, Qt::LeftButton);
    QVERIFY(r.isHidden());
    QCOMPARE(restore.count(), 1);
    QVERIFY(!r.driver().stopRequested());
    // Only once: the next Close stops as usual.
    r.ReportScreen();
    QTest::mouseClick(r.cmdClose, Qt::LeftButton);
    QCOMPARE(restore.count(), 1);
}

void tst_frmreport::enterClicksTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::newRow("Close") << "cmdClose" << int(Qt::Key_Return);
    QTest::newRow("Copy") << "cmdCopyToClipboard" << int(Qt::Key_Enter);
    QTest::newRow("Stop") << "cmdStop" << int(Qt::Key_Return);
    QTest::newRow("Pause") << "cmdPauseContinue" << int(Qt::Key_Return);
    QTest::newRow("byte-pair Display") << "" << int(Qt::Key_Return);
}

// Enter on the report's and the byte-pair window's buttons clicks them, as Space does.
void tst_frmreport::enterClicksTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    frmGraphic graphic(m_window, *m_interaction);
    QWidget& window = button.isEmpty() ? static_cast<QWidget&>(graphic) : report();
    auto* pressed = button.isEmpty() ? graphic.cmdDisplay : window.findChild<QPushButton*>(button);
    QVERIFY(pressed);
    window.show();
    pressed->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    pressed->setFocus();
    QSignalSpy clicked(pressed, &QPushButton::clicked);
    QTest::keyClick(pressed, Qt::Key(key));
    QCOMPARE(clicked.count(), 1);
}

// Escape is Close once the batch is over; while it runs it is ignored.
void tst_frmreport::escapeClosesOnlyAFinishedReport()
{
    PrepareBatch(3);
    frmReport& r = report();
    bool stillRunning = false;
    WhenTrue(
        &r, [&] { return r.txbText->toPlainText().contains("file0.txt"); },
        [&] {
            QTest::keyClick(r.txbText, Qt::Key_Escape);
            stillRunning = r.isVisible() && !r.driver().stopRequested() && r.cmdStop->isVisible();
        });
    r.driver().Run(m_request);
    QVERIFY(stillRunning);
    QVERIFY(r.driver().report().text().contains("Number of files encrypted: 3\n"));
    QVERIFY(r.isVisible());

    QTest::keyClick(r.txbText, Qt::Key_Escape);
    QVERIFY(r.isHidden() && r.driver().stopRequested());
    QVERIFY(!r.driver().report().isEmpty()); // kept, as after Close
}

void tst_frmreport::f1OnReportScreenOnlyWhileHidden()
{
    QSignalSpy help(m_window, &frmMain::helpRequested);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->ClickGuard(), 3000);
    WriteLines(1);
    report().ReportScreen();
    QTest::keyRelease(Widgets(*m_window).cmdReportScreen, Qt::Key_F1);
    QCOMPARE(help.count(), 0);
    report().hide();
    QTest::keyRelease(Widgets(*m_window).cmdReportScreen, Qt::Key_F1);
    QCOMPARE(help.count(), 1);
    QCOMPARE(help.at(0).at(0).toInt(), 9);
}

void tst_frmreport::batchRun()
{
    PrepareBatch(3);
    frmReport& r = report();
    bool sawRunningLayout = false;
    WhenTrue(
        &r, [&] { return r.txbText->toPlainText().contains("file0.txt"); },
        [&] {
            sawRunningLayout = r.cmdStop->isVisible() && r.cmdPauseContinue->isVisible() &&
                               r.cmdClose->isHidden() && r.cmdCopyToClipboard->isHidden() &&
                               r.cmdStop->text() == "Stop at next file" &&
                               r.cmdStop->width() == Px(2300) && r.Clock.isActive();
        });
    r.driver().Run(m_request);

    QVERIFY(sawRunningLayout);
    QVERIFY(r.cmdStop->isHidden() && r.cmdPauseContinue->isHidden() && r.prgFile->isHidden());
    QVERIFY(r.cmdClose->isVisible() && r.cmdCopyToClipboard->isVisible());
    QCOMPARE(r.cmdCopyToClipboard->pos(), QPoint(r.cmdStop->x(), r.cmdClose->y()));
    QCOMPARE(r.lblPausedDone->text(), QStringLiteral("Done"));
    QVERIFY(!r.Clock.isActive());
    const QString text = r.driver().report().text();
    QVERIFY(text.contains("Number of files encrypted: 3\n"));
    QCOMPARE(r.txbText->toPlainText(), text);
    QCOMPARE(r.txbText->textCursor().position(), text.size() - 1);
    for (int i = 0; i < 3; ++i)
        QVERIFY(QFileInfo::exists(m_dir->path() + QStringLiteral("/out/file%1.enc").arg(i)));
    QVERIFY(m_interaction->shown.isEmpty());

    // A short report shrinks the window to fit.
    const int textHeight = int(r.driver().counters().lineCount) * 260 + 600;
    QVERIFY(textHeight < frmReport::DesignTextHeight);
    QCOMPARE(r.txbText->height(), Px(textHeight));
    QCOMPARE(r.height(), Px(textHeight + 1230));
    QCOMPARE(r.cmdClose->y(), Px(textHeight + 1230 - 950));
}

void tst_frmreport::endingAPausedBatch_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop") << "Stop";
    QTest::newRow("main window closed") << "main window closed";
    QTest::newRow("close box") << "close box";
}

// Pause is pressed as the batch starts and takes effect after the first file.
void tst_frmreport::endingAPausedBatch()
{
    QFETCH(QString, how);
    PrepareBatch(3);
    frmReport& r = report();
    Widgets(*m_window).Clock->start();
    QTimer::singleShot(0, &r, [&] { QTest::mouseClick(r.cmdPauseContinue, Qt::LeftButton); });
    bool sawPause = false;
    WhenTrue(
        &r, [&] { return r.lblPausedDone->text() == "Paused ..."; },
        [&] {
            const int right = r.width() - Px(200);
            sawPause = r.cmdStop->text() == "Stop" && r.cmdStop->width() == Px(1000) &&
                       r.cmdPauseContinue->text() == "Continue" &&
                       r.cmdPauseContinue->width() == Px(1500) &&
                       qAbs(r.cmdPauseContinue->geometry().right() + 1 - right) <= 1 &&
                       !r.Clock.isActive();
            if (how == "Stop")
                QTest::mouseClick(r.cmdStop, Qt::LeftButton);
            else if (how == "close box")
                r.close();
            else
                m_window->close();
        });
    r.driver().Run(m_request);

    QVERIFY(sawPause);
    QCOMPARE(r.driver().counters().filesProcessed, 1);
    QVERIFY(!QFileInfo::exists(m_dir->path() + "/out/file1.enc"));
    if (how == "close box") {
        QVERIFY(r.isHidden());
        QTRY_VERIFY(r.driver().report().isEmpty()); // once the run has returned
        QVERIFY(Widgets(*m_window).Clock->isActive());
        return;
    }
    QCOMPARE(r.lblPausedDone->text(), QStringLiteral("Stopped"));
    QVERIFY(r.cmdClose->isVisible() && r.cmdStop->isHidden());
    QVERIFY(!Widgets(*m_window).Clock->isActive());
    QVERIFY(r.driver().stopRequested()); // which also ends a reliability test's wait
    QVERIFY(m_window->isVisible());      // closing the main window only stopped the batch
    QVERIFY(!r.driver().report().isEmpty());
}

void tst_frmreport::purgeAdvice_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<int>("queries");
    QTest::addColumn<int>("advices");
    QTest::addColumn<bool>("warningAfter");
    QTest::newRow("No") << "No" << false << 1 << 0 << false;
    QTest::newRow("Don't know, unticked") << "Don't know" << false << 2 << 2 << true;
    QTest::newRow("Yes, ticked") << "Yes" << true << 1 << 1 << false;
    QTest::newRow("closed, unticked") << "" << false << 2 << 2 << true;
}

// Two documents encrypted in place: each purge may bring the query and the advice.
void tst_frmreport::purgeAdvice()
{
    QFETCH(QString, answer);
    QFETCH(bool, tick);
    QFETCH(int, queries);
    QFETCH(int, advices);
    QFETCH(bool, warningAfter);
    PrepareBatch(0);
    const QString folder = m_dir->path() + "/in/";
    QVERIFY(TestFiles::write(folder + "a.doc", "first document"));
    QVERIFY(TestFiles::write(folder + "b.doc", "second document"));
    m_request.inPlace = true;
    m_request.inputSpec = m_request.outputSpec = "*.doc";
    m_request.outputFolder = folder;

    frmReport& r = report();
    const QPoint where = r.pos() + QPoint(Px(2400), Px(1675));
    int queried = 0;
    int advised = 0;
    auto* poll = new QTimer(&r);
    connect(poll, &QTimer::timeout, &r, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        // The checks come first; the dialog is answered even when one fails.
        if (auto* query = qobject_cast<frmAntivirusQuery*>(modal)) {
            ++queried;
            [&] {
                QCOMPARE(query->windowTitle(), QStringLiteral("Antivirus software query"));
                QCOMPARE(query->lblQuestion->text(), PurgeAdvice::AntivirusQuestion());
                QCOMPARE(query->focusWidget(), query->cmdDontKnow);
                QCOMPARE(query->pos(), where);
                QVERIFY(query->lblQuestion->height() >=
                        query->lblQuestion->heightForWidth(query->lblQuestion->width()));
                QVERIFY(query->rect().contains(query->cmdDontKnow->geometry()));
            }();
            if (answer.isEmpty())
                query->close();
            for (QPushButton* button : {query->cmdYes, query->cmdNo, query->cmdDontKnow})
                if (button->text() == answer)
                    QTest::mouseClick(button, Qt::LeftButton);
        } else if (auto* advice = qobject_cast<frmPurgeAdvice*>(modal)) {
            ++advised;
            [&] {
                QCOMPARE(advice->windowTitle(), QStringLiteral("Purge advice"));
                const QString path = folder + (advised == 1 ? "a.doc" : "b.doc");
                QCOMPARE(advice->txtAdvice->toPlainText(), PurgeAdvice::PurgeAdviceText(path));
                QCOMPARE(advice->chkDontShowAgain->text(), PurgeAdvice::DontShowAgainCaption());
                QCOMPARE(advice->focusWidget(), advice->cmdOK);
                QCOMPARE(advice->pos(), where);
            }();
            if (tick)
                QTest::mouseClick(advice->chkDontShowAgain, Qt::LeftButton);
            QTest::mouseClick(advice->cmdOK, Qt::LeftButton);
        }
    });
    poll->start(5);
    r.driver().Run(m_request);
    poll->stop();

    QCOMPARE(queried, queries);
    QCOMPARE(advised, advices);
    QCOMPARE(r.driver().showPurgeWarning(), warningAfter);
    QVERIFY(r.driver().report().text().contains("Number of files encrypted: 2\n"));
    QVERIFY(TestFiles::read(folder + "a.doc") != "first document");
}

void tst_frmreport::purgeAdviceWrapsALongPath()
{
    const QString path = "/home/someone/" + QString(300, 'x') + ".doc";
    frmPurgeAdvice advice;
    WhenShown(&advice, [&] {
        QTextEdit* text = advice.txtAdvice;
        QVERIFY(text->document()->size().width() <= text->width());
        QVERIFY(text->document()->size().height() <= text->height());
        // ... and no taller than its text: no empty band above the check box.
        QVERIFY(text->height() <= text->document()->size().height() + 2);
        QCOMPARE(text->verticalScrollBar()->maximum(), 0);
        QVERIFY(advice.chkDontShowAgain->geometry().top() >= text->geometry().bottom());
        QVERIFY(advice.rect().contains(advice.chkDontShowAgain->geometry()));
        QVERIFY(advice.chkDontShowAgain->width() >= advice.chkDontShowAgain->sizeHint().width());
        QVERIFY(advice.rect().contains(advice.cmdOK->geometry()));
        QTest::mouseClick(advice.chkDontShowAgain, Qt::LeftButton);
        QTest::keyClick(&advice, Qt::Key_Return);
    });
    QVERIFY(advice.Show(path, QPoint(10, 10)));
    QCOMPARE(advice.strPurgeFilePath, path);
}

QTEST_MAIN(tst_frmreport)
#include "tst_frmreport.moc"
