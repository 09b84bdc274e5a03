#include "ScriptedInteraction.h"
#include "WhenShown.h"
#include "gui/FileDialog.h"
#include "gui/GuiKeyDialogs.h"
#include "gui/frmInspectKey.h"
#include "gui/frmKeyboardWithDisplay.h"
#include "gui/frmKeyboardWithoutDisplay.h"
#include "gui/frmMain.h"
#include "gui/frmRandomKey.h"
#include "keys/ZR7KeyFrom.h"
#include "storage/FileCipher.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <functional>

using Outcome = KeyDialogs::Outcome;

// The key entry dialogs, the inspection window and the random key window, driven as a user
// would, with the questions answered from a script.
class tst_keydialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void withDisplayNeedsSixteenCharacters_data();
    void withDisplayNeedsSixteenCharacters();
    void withDisplayOutcome_data();
    void withDisplayOutcome();
    void keyBoxesTakeOnlyWindows1252_data();
    void keyBoxesTakeOnlyWindows1252();
    void withoutDisplayOpensTheRepetitionAtSixteen();
    void withoutDisplayOutcome_data();
    void withoutDisplayOutcome();
    void inspectionViews_data();
    void inspectionViews();
    void inspectionOutcome_data();
    void inspectionOutcome();
    void randomKeyFromMouseMovements();
    void placement();
    void chooseKeyfile();

private:
    // Runs `action` once `window` is the active modal window.

    FileCipher* m_engine = nullptr;
    ScriptedInteraction* m_interaction = nullptr;
    frmMain* m_main = nullptr;
    GuiKeyDialogs* m_dialogs = nullptr;
};

namespace {

QString Checksum(const QByteArray& key)
{
    QByteArray digest;
    return ZR7KeyFrom::ChecksumText(
        ZR7KeyFrom::KeyChecksum(ZR7KeyFrom::NormalizedKey(key).view(), digest));
}

// Key presses that carry `text`, also for characters without a key of their own.
void Type(QWidget* box, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

void tst_keydialogs::init()
{
    m_engine = new FileCipher;
    m_interaction = new ScriptedInteraction;
    m_main = new frmMain(*m_engine, *m_interaction);
    m_main->setGeometry(100, 80, 720, 380);
    m_dialogs = new GuiKeyDialogs(*m_main, *m_interaction);
}

void tst_keydialogs::cleanup()
{
    QVERIFY(m_interaction->scriptDone());
    delete m_dialogs;
    delete m_main;
    delete m_interaction;
    delete m_engine;
}

void tst_keydialogs::withDisplayNeedsSixteenCharacters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("offeredAt"); // characters typed when Yes appears; 0: never
    QTest::addColumn<QByteArray>("key");
    QTest::newRow("15 characters and blanks") << "abcd efgh ijkl mno      " << 0 << QByteArray();
    QTest::newRow("the 16th character")
        << "abcd efgh ijkl mno      p" << 25 << QByteArray("ABCDEFGHIJKLMNOP");
    QTest::newRow("cut at 64 characters")
        << QString(70, QLatin1Char('x')) << 16 << QByteArray(64, 'X');
}

void tst_keydialogs::withDisplayNeedsSixteenCharacters()
{
    QFETCH(QString, typed);
    QFETCH(int, offeredAt);
    QFETCH(QByteArray, key);
    frmKeyboardWithDisplay& dialog = m_dialogs->KeyboardWithDisplay();
    dialog.show();
    const QWidget* offer[] = {dialog.cmdYes, dialog.cmdNo, dialog.lblChecksumIs,
                              dialog.lblUseThisKey};
    for (int count = 0; count <= typed.size(); ++count) {
        if (count > 0)
            QTest::keyClicks(dialog.txbKey, typed.mid(count - 1, 1));
        for (const QWidget* widget : offer)
            QCOMPARE(widget->isVisible(), offeredAt > 0 && count >= offeredAt);
    }
    QCOMPARE(dialog.txbKey->text(), typed.left(64));
    if (offeredAt > 0)
        QCOMPARE(dialog.lblChecksumIs->text(), Checksum(key));
}

void tst_keydialogs::withDisplayOutcome_data()
{
    QTest::addColumn<int>("button"); // 0 Yes, 1 No, 2 Cancel, 3 the close box
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("Yes") << 0 << Outcome::Yes;
    QTest::newRow("No") << 1 << Outcome::No;
    QTest::newRow("Cancel") << 2 << Outcome::Cancel;
    QTest::newRow("close box") << 3 << Outcome::Cancel;
}

void tst_keydialogs::withDisplayOutcome()
{
    QFETCH(int, button);
    QFETCH(Outcome, outcome);
    frmKeyboardWithDisplay& dialog = m_dialogs->KeyboardWithDisplay();
    for (int round = 0; round < 2; ++round) { // the second opening starts afresh
        WhenShown(&dialog, [&] {
            QVERIFY(dialog.txbKey->text().isEmpty() && dialog.cmdYes->isHidden());
            QCOMPARE(dialog.lblEntertheKey->text(), QStringLiteral("Enter it:"));
            QTest::keyClicks(dialog.txbKey, QStringLiteral("correct horse battery"));
            if (button == 3) {
                dialog.close();
                return;
            }
            QPushButton* target = QList{dialog.cmdYes, dialog.cmdNo, dialog.cmdCancel}[button];
            QTest::mouseMove(target);
            QVERIFY(target->hasFocus()); // pointing at a button gives it the focus
            QTest::mouseClick(target, Qt::LeftButton);
        });
        QString typed;
        QCOMPARE(m_dialogs->TypeKeyWithDisplay(QStringLiteral("Enter it:"), typed), outcome);
        QCOMPARE(typed, QStringLiteral("correct horse battery"));
    }
}

void tst_keydialogs::keyBoxesTakeOnlyWindows1252_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("kept");
    const QString western = QStringLiteral(u"é€Ÿ…ß");
    QTest::newRow("Latin-1 and Windows-1252 extras") << western << false << western;
    QTest::newRow("Greek and CJK refused") << QStringLiteral(u"aΩ中b") << false << "ab";
    QTest::newRow("pasted text with an omega refused") << QStringLiteral(u"abcΩ") << true << "";
}

void tst_keydialogs::keyBoxesTakeOnlyWindows1252()
{
    QFETCH(QString, typed);
    QFETCH(bool, pasted);
    QFETCH(QString, kept);
    frmKeyboardWithDisplay& with = m_dialogs->KeyboardWithDisplay();
    frmKeyboardWithoutDisplay& without = m_dialogs->KeyboardWithoutDisplay();
    with.show();
    without.show();
    const auto check = [&](QLineEdit* box) {
        pasted ? box->insert(typed) : Type(box, typed);
        QCOMPARE(box->text(), kept);
    };
    check(with.txbKey);
    check(without.txbKey[0]);
    without.txbKey[0]->setText(QStringLiteral("0123456789abcdef")); // opens the repetition box
    check(without.txbKey[1]);
}

void tst_keydialogs::withoutDisplayOpensTheRepetitionAtSixteen()
{
    frmKeyboardWithoutDisplay& dialog = m_dialogs->KeyboardWithoutDisplay();
    dialog.show();
    QCOMPARE(dialog.txbKey[0]->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                  dialog.txbKey[0]),
             int('#'));
    const auto state = [&](bool open, bool ok) {
        QCOMPARE(dialog.txbKey[1]->isEnabled(), open);
        QCOMPARE(dialog.lblReEnterTheKey->font().bold(), open);
        QCOMPARE(dialog.lblChecksumIs->isVisible(), open);
        QCOMPARE(dialog.cmdOK->isEnabled(), ok);
    };
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    state(false, false);
    QTest::keyClicks(dialog.txbKey[0], QStringLiteral("abcd efgh ijkl mno   "));
    state(false, false);
    // Enter goes on to the repetition only once the key is long enough.
    QTest::keyClick(dialog.txbKey[0], Qt::Key_Return);
    QVERIFY(dialog.txbKey[0]->hasFocus());
    QTest::keyClicks(dialog.txbKey[0], QStringLiteral("p"));
    state(true, false);
    QTest::keyClick(dialog.txbKey[0], Qt::Key_Return);
    QVERIFY(dialog.txbKey[1]->hasFocus());
    QCOMPARE(dialog.lblChecksumIs->text(), Checksum("ABCDEFGHIJKLMNOP"));
    QTest::keyClicks(dialog.txbKey[1], QStringLiteral("ABCDEFGHIJKLMNO"));
    state(true, false);
    QTest::keyClicks(dialog.txbKey[1], QStringLiteral("X"));
    state(true, true);
    QCOMPARE(dialog.lblChecksumIs->text(), Checksum("ABCDEFGHIJKLMNOP")); // box 1 leaves it
}

void tst_keydialogs::withoutDisplayOutcome_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("inspect"); // -1 mismatch, 0 not inspected, 1 used, 2 declined
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("typed");
    QTest::newRow("blanks and case differ")
        << "abcd efgh ijkl mnop"
        << "  ABCDEFGH IJKLMNOP" << 0 << Outcome::Yes << "abcd efgh ijkl mnop";
    QTest::newRow("leading and trailing blanks trimmed")
        << "   Twenty chars of key!  "
        << "twenty chars of key!" << 0 << Outcome::Yes << "Twenty chars of key!";
    QTest::newRow("inspected and used")
        << "Twenty chars of key!"
        << "twenty chars of key!" << 1 << Outcome::Yes << "Twenty chars of key!";
    QTest::newRow("inspected and declined")
        << "Twenty chars of key!"
        << "twenty chars of key!" << 2 << Outcome::No << "Twenty chars of key!";
    QTest::newRow("one character differs") << "abcdefghijklmnop"
                                           << "abcdefghijklmnoq" << -1 << Outcome::Cancel << "";
}

void tst_keydialogs::withoutDisplayOutcome()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, inspect);
    QFETCH(Outcome, outcome);
    QFETCH(QString, typed);
    frmKeyboardWithoutDisplay& dialog = m_dialogs->KeyboardWithoutDisplay();
    frmInspectKey& window = m_dialogs->InspectionWindow();
    if (inspect >= 0)
        m_interaction->Expect(QStringLiteral("Key specified"),
                              inspect ? Interaction::Yes : Interaction::No);
    WhenShown(&dialog, [&] {
        QTest::keyClicks(dialog.txbKey[0], first);
        QTest::keyClicks(dialog.txbKey[1], second);
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        if (inspect >= 0)
            return;
        QCOMPARE(m_interaction->shown, QStringList{"Error: The key entries do not match!"});
        QCOMPARE(m_interaction->icons.last(), Interaction::Icon::Exclamation);
        QVERIFY(dialog.isVisible() && !dialog.cmdOK->isEnabled());
        QVERIFY(dialog.txbKey[0]->text().isEmpty() && dialog.txbKey[1]->text().isEmpty());
        QVERIFY(dialog.lblChecksumIs->isHidden());
        QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
    });
    WhenShown(&window, [&] {
        QCOMPARE(window.lbl64Byte->text(), QStringLiteral("Key entered at keyboard"));
        QVERIFY(window.lblKeyFile->text().isEmpty());
        QVERIFY(window.optASCII->isVisible() && window.optASCII->isChecked());
        QCOMPARE(window.lblKey[0]->text(), typed);
        QTest::mouseClick(inspect == 1 ? window.cmdYes : window.cmdNo, Qt::LeftButton);
    });
    QString got;
    QCOMPARE(m_dialogs->TypeKeyWithoutDisplay(QStringLiteral("Enter it:"), got), outcome);
    QCOMPARE(got, typed);
}

void tst_keydialogs::inspectionViews_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("random");
    QTest::addColumn<bool>("text");
    QTest::addColumn<QRadioButton * frmInspectKey::*>("view"); // clicked; nullptr: first view
    QTest::addColumn<QStringList>("rows");
    const QByteArray twenty = "abcdefghijklmnopqrst";
    QTest::newRow("typed key, ASCII")
        << twenty << false << true << static_cast<QRadioButton * frmInspectKey::*>(nullptr)
        << QStringList{QString::fromLatin1(twenty), "", "", ""};
    QTest::newRow("typed key, decimal")
        << twenty << false << true << &frmInspectKey::optDecimal
        << QStringList{" 97  98  99 100 101 102 103 104 105 106 107 108 109 110 111 112 ",
                       "113 114 115 116 ", "", ""};
    QTest::newRow("text key, NULs blank in hex")
        << QByteArray("a\n") + QByteArray(15, '\0') << false << true
        << &frmInspectKey::optHexadecimal
        << QStringList{" 61  0A " + QString(56, QLatin1Char(' ')), "    ", "", ""};
    QTest::newRow("random key: decimal, never ASCII")
        << QByteArray("\x21\xff") + QByteArray(62, '\x80') << true << false
        << static_cast<QRadioButton * frmInspectKey::*>(nullptr)
        << QStringList{" 33 255 " + QString("128 ").repeated(14), QString("128 ").repeated(16),
                       QString("128 ").repeated(16), QString("128 ").repeated(16)};
}

void tst_keydialogs::inspectionViews()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, random);
    QFETCH(bool, text);
    QFETCH(QRadioButton * frmInspectKey::*, view);
    QFETCH(QStringList, rows);
    frmInspectKey& window = m_dialogs->InspectionWindow();
    KeyInspection inspection;
    inspection.keyBytes = bytes;
    inspection.blnKeyRandom = random;
    inspection.blnKeyText = text;
    window.SetKey(inspection);
    window.show();
    QCOMPARE(window.optASCII->isVisible(), text);
    QCOMPARE(window.optDecimal->isChecked(), !text);
    QCOMPARE(window.lblRandomnessIs->isVisible(), random);
    QCOMPARE(window.lblChecksumIs->text(), Checksum(bytes));
    if (view)
        QTest::mouseClick(window.*view, Qt::LeftButton);
    QStringList shown;
    for (QLabel* row : window.lblKey)
        shown.append(row->text());
    QCOMPARE(shown, rows);
    window.close();
    QVERIFY(window.lblKey[0]->text().isEmpty()); // nothing of the key stays on screen
}

void tst_keydialogs::inspectionOutcome_data()
{
    QTest::addColumn<bool>("newKeyfile");
    QTest::addColumn<bool>("useKey");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("new random key taken")
        << true << true
        << QStringList{"Key selected: Be sure to remember the name of the keyfile!"};
    QTest::newRow("new random key declined") << true << false << QStringList();
    QTest::newRow("existing keyfile taken") << false << true << QStringList();
}

void tst_keydialogs::inspectionOutcome()
{
    QFETCH(bool, newKeyfile);
    QFETCH(bool, useKey);
    QFETCH(QStringList, messages);
    frmInspectKey& window = m_dialogs->InspectionWindow();
    KeyInspection inspection;
    inspection.keyBytes = ZR7KeyFrom::NewRandomKeyBytes().view().toByteArray();
    inspection.blnKeyRandom = true;
    inspection.blnNewKeyfile = newKeyfile;
    inspection.keyfileLine = QStringLiteral("/home/ann/new.key");
    WhenShown(&window, [&] {
        QCOMPARE(window.lblKeyFile->text(), inspection.keyfileLine);
        QTest::mouseClick(useKey ? window.cmdYes : window.cmdNo, Qt::LeftButton);
    });
    QCOMPARE(m_dialogs->InspectKey(inspection), useKey);
    QCOMPARE(m_interaction->shown, messages);
}

// The test ticks the clock itself rather than waiting 16 seconds.
void tst_keydialogs::randomKeyFromMouseMovements()
{
    frmRandomKey& window = m_dialogs->RandomKeyWindow();
    WhenShown(&window, [&] {
        QCOMPARE(window.Clock.interval(), 250);
        QVERIFY(window.Clock.isActive());
        window.Clock.stop();
        QCOMPARE(window.lblProgressBar->text(), QString(63, QLatin1Char('_')));
        window.Clock_Tick(); // the pointer has not moved
        QVERIFY(window.strRandomKey.isEmpty());
        for (int i = 0; i < 64; ++i) {
            QTest::mouseMove(&window, QPoint(30 + i, 150 + i % 3));
            window.Clock_Tick();
            window.Clock_Tick(); // still there: nothing more
            QCOMPARE(window.strRandomKey.size(), i + 1);
            if (i == 0)
                QCOMPARE(window.lblProgressBar->text(),
                         QChar(0x2588) + QString(62, QLatin1Char('_')));
        }
    });
    const QByteArray key = m_dialogs->CollectRandomKey();
    QCOMPARE(key.size(), 64);
    for (char c : key)
        QVERIFY(uchar(c) >= 33);
    QCOMPARE(window.lblProgressBar->text(), QString(64, QChar(0x2588)));
    QVERIFY(!window.Clock.isActive());
}

// Typing dialogs as wide as the main window at its left edge, their bottom 120 twips (8 px)
// above its bottom; the other windows 8 px inside its lower right corner. The inspection
// window opened from the dialog without display comes back where it was last.
void tst_keydialogs::placement()
{
    const QRect main = m_main->geometry();
    const auto typingDialogPlaced = [&](QDialog& dialog, QPushButton* cancel) {
        QCOMPARE(dialog.geometry(), QRect(main.left(), main.bottom() - 8 - dialog.height() + 1,
                                          main.width(), dialog.height()));
        QCOMPARE(cancel->geometry().right() + 1, main.width() - 20); // 300 twips from the edge
    };
    frmKeyboardWithDisplay& with = m_dialogs->KeyboardWithDisplay();
    WhenShown(&with, [&] {
        typingDialogPlaced(with, with.cmdCancel);
        with.reject();
    });
    QString typed;
    m_dialogs->TypeKeyWithDisplay(QString(), typed);

    frmRandomKey& random = m_dialogs->RandomKeyWindow();
    WhenShown(&random, [&] {
        QCOMPARE(random.geometry(), QRect(QPoint(), QSize(413, 207))
                                        .translated(main.bottomRight() - QPoint(8 + 412, 8 + 206)));
        random.reject();
    });
    m_dialogs->CollectRandomKey();

    frmInspectKey& inspect = m_dialogs->InspectionWindow();
    WhenShown(&inspect, [&] {
        QCOMPARE(inspect.geometry().bottomRight(), main.bottomRight() - QPoint(8, 8));
        inspect.move(30, 40);
        inspect.reject();
    });
    KeyInspection inspection;
    inspection.keyBytes = "0123456789abcdef";
    m_dialogs->InspectKey(inspection);

    frmKeyboardWithoutDisplay& without = m_dialogs->KeyboardWithoutDisplay();
    m_interaction->Expect(QStringLiteral("Key specified"), Interaction::Yes);
    WhenShown(&without, [&] {
        typingDialogPlaced(without, without.cmdCancel);
        QTest::keyClicks(without.txbKey[0], QString::fromLatin1(inspection.keyBytes));
        QTest::keyClicks(without.txbKey[1], QString::fromLatin1(inspection.keyBytes));
        QTest::mouseClick(without.cmdOK, Qt::LeftButton);
    });
    WhenShown(&inspect, [&] {
        QCOMPARE(inspect.pos(), QPoint(30, 40));
        inspect.reject();
    });
    QCOMPARE(m_dialogs->TypeKeyWithoutDisplay(QString(), typed), Outcome::No);
}

// A test answer serves one call; the real dialog offers every file, with or without a dot in
// its name, and guards the main window against the release that closes it.
void tst_keydialogs::chooseKeyfile()
{
    FileDialog::setNextFileName(QStringLiteral("/home/ann/key"));
    QCOMPARE(m_dialogs->ChooseKeyfile(QStringLiteral("Specify new keyfile")), "/home/ann/key");
    FileDialog::setNextFileName(QString());
    QCOMPARE(m_dialogs->ChooseKeyfile(QStringLiteral("Specify new keyfile")), QString());
    QStringList filters;
    QString title;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            filters = dialog->nameFilters();
            title = dialog->windowTitle();
            dialog->reject();
        }
    });
    closer.start(20);
    QCOMPARE(m_dialogs->ChooseKeyfile(QStringLiteral("Get encryption key from keyfile")),
             QString());
    QCOMPARE(title, QStringLiteral("Get encryption key from keyfile"));
    QCOMPARE(filters, QStringList{"All files (*)"});
    QVERIFY(m_main->ClickGuard());
}

QTEST_MAIN(tst_keydialogs)
#include "tst_keydialogs.moc"
