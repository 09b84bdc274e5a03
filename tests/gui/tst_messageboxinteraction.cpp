#include "TestFiles.h"
#include "engine/StreamFormat.h"
#include "gui/MessageBoxInteraction.h"
#include "gui/frmMain.h"
#include "gui/frmReport.h"
#include "storage/FileCipher.h"
#include "support/Language.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

// What a test saw of a message box it answered.
struct SeenBox
{
    QString title;
    QWidget* parent = nullptr;
    QWindow* transientParent = nullptr;
    int width = 0;
};

// Answers the next message box with its first button (No, where offered), after noting what
// it looked like once shown.
void AnswerNextBox(QObject* context, SeenBox& seen)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->windowHandle() || !box->windowHandle()->isExposed())
            return;
        poll->stop();
        poll->deleteLater();
        seen = {box->windowTitle(), box->parentWidget(), box->windowHandle()->transientParent(),
                box->width()};
        QAbstractButton* no = box->button(QMessageBox::No);
        (no ? no : box->buttons().constFirst())->click();
    });
    poll->start(5);
}

} // namespace

// The message boxes of the windows: which window they belong to, and their width.
class tst_messageboxinteraction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void questionsBelongToTheReportWhileItIsShown();
    void boxIsWideEnoughForItsTitle_data();
    void boxIsWideEnoughForItsTitle();

private:
    QTemporaryDir m_config;
};

void tst_messageboxinteraction::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") > 0);
}

// A plain text file in a decryption brings the Anomaly question while the batch runs; the
// question and a message after the batch come over the report, one with the report hidden
// over the main window.
void tst_messageboxinteraction::questionsBelongToTheReportWhileItIsShown()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/in/";
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(dir.path() + "/out"));
    QVERIFY(TestFiles::write(folder + "notes.txt", QByteArray(4000, 'a')));

    FileCipher engine;
    MessageBoxInteraction interaction;
    frmMain window(engine, interaction);
    interaction.SetParent(&window);
    interaction.SetReportWindow(&window.report());
    QVERIFY(window.StartUp());
    engine.set_kdf_params({1, StreamFormat::MinMemLog});
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.editor().SetFunction(false);
    window.key().strKey = QByteArray(64, 'K');
    window.key().intKeySource = KeyRecord::Keyboard;
    frmReport& report = window.report();
    BatchRequest request = BatchRequest::Of(window.setup());
    request.inputFolder = folder;
    request.inputSpec = "*.txt";
    request.outputFolder = dir.path() + "/out/";
    request.outputSpec = "*.dec";
    report.show();
    QVERIFY(QTest::qWaitForWindowExposed(&report));

    SeenBox seen;
    AnswerNextBox(&window, seen);
    report.driver().Run(request);
    QCOMPARE(seen.title, QStringLiteral("Anomaly"));
    QCOMPARE(seen.parent, &report);
    QCOMPARE(seen.transientParent, report.windowHandle());
    QVERIFY(report.driver().report().text().contains("skipped (file seems not encrypted)"));

    AnswerNextBox(&window, seen);
    interaction.Tell("After the batch", "Still in front.", Interaction::Icon::None);
    QCOMPARE(seen.parent, &report);

    report.hide();
    AnswerNextBox(&window, seen);
    interaction.Ask("Report hidden", "Over the main window?", Interaction::Yes | Interaction::No,
                    Interaction::No, Interaction::Icon::None);
    QCOMPARE(seen.parent, &window);
    QCOMPARE(seen.transientParent, window.windowHandle());
}

void tst_messageboxinteraction::boxIsWideEnoughForItsTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("question");
    QTest::newRow("message") << "Decryption not specified" << false;
    QTest::newRow("question") << "Encryption key not specified" << true;
    QTest::newRow("long title") << "The output folder could not be created, and nothing was written"
                                << false;
}

// A window manager shows the title in bold beside the frame's icon and buttons.
void tst_messageboxinteraction::boxIsWideEnoughForItsTitle()
{
    QFETCH(QString, title);
    QFETCH(bool, question);
    MessageBoxInteraction interaction;
    SeenBox seen;
    QObject context;
    AnswerNextBox(&context, seen);
    if (question)
        interaction.Ask(title, "OK?", Interaction::Yes | Interaction::No, Interaction::No,
                        Interaction::Icon::Exclamation);
    else
        interaction.Tell(title, "No.", Interaction::Icon::None);
    QFont bold = QApplication::font();
    bold.setBold(true);
    QCOMPARE(seen.title, title);
    QVERIFY2(seen.width >= QFontMetrics(bold).horizontalAdvance(title) + 100,
             qPrintable(QString::number(seen.width)));
}

QTEST_MAIN(tst_messageboxinteraction)
#include "tst_messageboxinteraction.moc"
