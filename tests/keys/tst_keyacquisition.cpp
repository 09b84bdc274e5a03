#include "ScriptedInteraction.h"
#include "ScriptedKeyDialogs.h"
#include "TestFiles.h"
#include "keys/KeyAcquisition.h"
#include "keys/KeyRecord.h"
#include "keys/ZR7KeyFrom.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// Every path of typing a key and of taking it from a keyfile, with its questions.
class tst_keyacquisition : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void typedKey_data();
    void typedKey();
    void keyfile_data();
    void keyfile();
    void notRandomEnoughThenRetry();
    void emptyKeyCannotBeShown();

private:
    QTemporaryDir m_dir;
    KeyRecord m_key;
    ScriptedInteraction m_interaction;
    ScriptedKeyDialogs m_dialogs;
};

void tst_keyacquisition::init()
{
    m_key = KeyRecord();
    m_interaction = ScriptedInteraction();
    m_dialogs = ScriptedKeyDialogs();
    // A key in force before each case, to see what a cancelled choice leaves alone.
    m_key.strKey = "PREVIOUSKEYINFORCE";
    m_key.intKeySource = KeyRecord::Keyboard;
    m_key.intKeyChecksum = 1234;
}

void tst_keyacquisition::typedKey_data()
{
    QTest::addColumn<bool>("withDisplay");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("line");
    const QString with = " key (16-64 characters, spaces ignored, case not significant):";
    const QString without = " key, 16-64 non-space characters (which will not be displayed):";
    const QString typedLine = "Specified (keyboard entry, checksum = %1)";
    QByteArray digest;
    const int sum = ZR7KeyFrom::KeyChecksum("ABCDEFGHIJKLMNOP", digest);
    QTest::newRow("with display, yes") << true << true << int(KeyDialogs::Outcome::Yes)
                                       << "Enter the encryption" + with << typedLine.arg(sum);
    QTest::newRow("without display, yes") << false << false << int(KeyDialogs::Outcome::Yes)
                                          << "Enter the decryption" + without << typedLine.arg(sum);
    QTest::newRow("no: no key") << true << true << int(KeyDialogs::Outcome::No)
                                << "Enter the encryption" + with << "Not specified";
    QTest::newRow("cancel: nothing changes") << false << true << int(KeyDialogs::Outcome::Cancel)
                                             << "Enter the encryption" + without << "saved line";
}

void tst_keyacquisition::typedKey()
{
    QFETCH(bool, withDisplay);
    QFETCH(bool, encrypt);
    QFETCH(int, outcome);
    QFETCH(QString, prompt);
    QFETCH(QString, line);
    m_dialogs.outcome = KeyDialogs::Outcome(outcome);
    m_dialogs.typedText = "abcd efgh ijkl mnop";
    KeyAcquisition acquisition(m_key, m_interaction, m_dialogs);
    if (withDisplay)
        acquisition.KeyFromKeyboardWithDisplay(encrypt);
    else
        acquisition.KeyFromKeyboardWithoutDisplay(encrypt);
    QCOMPARE(m_dialogs.lastPrompt, prompt);
    QCOMPARE(ShowKeySource(m_key, m_interaction, "saved line", "Specified", "Not specified"), line);
    if (outcome == int(KeyDialogs::Outcome::Yes)) {
        QCOMPARE(m_key.strKey, QByteArray("ABCDEFGHIJKLMNOP"));
        QCOMPARE(m_key.strRawKeyText, QByteArray("abcd efgh ijkl mnop"));
        QVERIFY(m_key.blnKeyText && !m_key.blnKeyRandom && !m_key.blnNewKeyfile);
    } else if (outcome == int(KeyDialogs::Outcome::Cancel)) {
        QCOMPARE(m_key.strKey, QByteArray("PREVIOUSKEYINFORCE"));
        QCOMPARE(m_key.intKeySource, int(KeyRecord::Keyboard));
    }
}

void tst_keyacquisition::keyfile_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("file");        // chosen name in the test folder; "" cancels
    QTest::addColumn<QStringList>("answers"); // "title=Yes|No" in order
    QTest::addColumn<bool>("inspectedKeyUsed");
    QTest::addColumn<QString>("line");      // "saved" for the saved caption
    QTest::addColumn<QString>("inspected"); // the inspection's classification line, or ""
    const QString inspect = "=Yes";
    QTest::newRow("text keyfile, no inspection") << 0 << "Text.KEY" << QStringList{"@=No"} << true
                                                 << "Specified (text key in keyfile, checksum = %1)"
                                                 << "";
    QTest::newRow("random keyfile, inspected")
        << 0 << "random.key" << QStringList{"@=Yes"} << true
        << "Specified (apparently random key in keyfile, checksum = %1)"
        << "Apparently random key from file";
    QTest::newRow("other keyfile, inspection declined")
        << 0 << "binary.key" << QStringList{"@=Yes"} << false << "Not specified"
        << "Non-random non-text key from file";
    QTest::newRow("file dialog cancelled") << 0 << "" << QStringList{} << true << "saved"
                                           << "";
    QTest::newRow("missing keyfile, not created")
        << 0 << "missing.key" << QStringList{"Keyfile does not exist.=No"} << true << "saved"
        << "";
    QTest::newRow("missing keyfile, created")
        << 0 << "missing.key" << QStringList{"Keyfile does not exist.=Yes", "@=Yes"} << true
        << "Specified (new random key in keyfile, checksum = %1)"
        << "New random key in file";
    QTest::newRow("new keyfile over an existing file, declined")
        << 1 << "Text.KEY" << QStringList{"File exists already.=No"} << true << "saved"
        << "";
    QTest::newRow("new keyfile") << 1 << "new.key" << QStringList{"@=No"} << true
                                 << "Specified (new random key in keyfile, checksum = %1)"
                                 << "";
    QTest::newRow("unsuitable keyfile")
        << 0 << "short.key" << QStringList{} << true << "Not specified"
        << "";
    QTest::newRow("a folder is a keyfile error")
        << 0 << "folder" << QStringList{} << true << "Not specified"
        << "";
}

void tst_keyacquisition::keyfile()
{
    QFETCH(int, index);
    QFETCH(QString, file);
    QFETCH(QStringList, answers);
    QFETCH(bool, inspectedKeyUsed);
    QFETCH(QString, line);
    QFETCH(QString, inspected);
    QDir dir(m_dir.path());
    dir.removeRecursively();
    dir.mkpath(".");
    dir.mkpath("folder");
    QVERIFY(TestFiles::write(dir.filePath("Text.KEY"), "my keyfile holds a line of text\n"));
    QVERIFY(TestFiles::write(dir.filePath("short.key"), "short"));
    QVERIFY(TestFiles::write(dir.filePath("binary.key"), QByteArray(64, '\xa9')));
    const QByteArray randomKey = ZR7KeyFrom::NewRandomKeyBytes().view().toByteArray();
    QVERIFY(TestFiles::write(dir.filePath("random.key"), randomKey));

    const QString path = file.isEmpty() ? QString() : dir.filePath(file);
    m_dialogs.fileName = path;
    m_dialogs.useInspectedKey = inspectedKeyUsed;
    m_dialogs.randomKeys = {ZR7KeyFrom::NewRandomKeyBytes().view().toByteArray()};
    for (const QString& answer : answers) {
        QString title = answer.section('=', 0, 0);
        if (title == "@")
            title = path; // the inspection question carries the path as its title
        m_interaction.Expect(title, answer.endsWith("Yes") ? Interaction::Yes : Interaction::No);
    }
    KeyAcquisition acquisition(m_key, m_interaction, m_dialogs);
    acquisition.KeyFromKeyfile(index, true);
    QVERIFY(m_interaction.scriptDone());
    QCOMPARE(m_dialogs.lastTitle, index == 1 ? QStringLiteral("Specify new keyfile")
                                             : QStringLiteral("Get encryption key from keyfile"));
    QCOMPARE(m_dialogs.inspected.value(0), inspected);
    const QString shown =
        ShowKeySource(m_key, m_interaction, "saved", "Specified", "Not specified");
    QCOMPARE(shown, line.contains("%1") ? line.arg(m_key.intKeyChecksum) : line);
    if (m_key.intKeySource == KeyRecord::Keyfile) {
        QCOMPARE(m_key.strKeyfilePath, path); // the real path, letter case and all
        QCOMPARE(m_key.strKey, ZR7KeyFrom::NormalizedKey(TestFiles::read(path).left(64)));
    } else if (line == "saved") {
        QCOMPARE(m_key.strKey, QByteArray("PREVIOUSKEYINFORCE"));
    }
    if (file == "short.key")
        QCOMPARE(m_interaction.shown.value(0),
                 "Unsuitable keyfile: " + path + " is not a suitable keyfile.");
    if (file == "folder")
        QCOMPARE(m_interaction.shown.value(0),
                 "Keyfile error: " + path +
                     " cannot hold a key: a keyfile must be an ordinary file that gives the same "
                     "bytes every time it is read.");
}

void tst_keyacquisition::notRandomEnoughThenRetry()
{
    const QString path = m_dir.filePath("retry.key");
    QFile::remove(path);
    m_dialogs.fileName = path;
    m_dialogs.randomKeys = {QByteArray(64, 'A'), QByteArray(10, 'x'),
                            ZR7KeyFrom::NewRandomKeyBytes().view().toByteArray()};
    m_interaction.Expect("Key not sufficiently random", Interaction::Retry);
    m_interaction.Expect("Key not sufficiently random", Interaction::Retry);
    m_interaction.Expect(path, Interaction::No);
    KeyAcquisition acquisition(m_key, m_interaction, m_dialogs);
    acquisition.KeyFromKeyfile(1, false);
    QCOMPARE(m_key.intKeySource, int(KeyRecord::Keyfile));
    QCOMPARE(TestFiles::read(path).size(), 64);
    QCOMPARE(m_interaction.shown.value(0),
             QStringLiteral("Key not sufficiently random: Attempt at creating random key "
                            "unsuccessful.  Please repeat."));

    m_dialogs.randomKeys = {QByteArray(64, 'A')};
    QFile::remove(path);
    m_interaction.Expect("Key not sufficiently random", Interaction::Cancel);
    acquisition.KeyFromKeyfile(1, false);
    QCOMPARE(m_key.intKeySource, int(KeyRecord::NotSpecified));
    QVERIFY(!QFile::exists(path));
}

void tst_keyacquisition::emptyKeyCannotBeShown()
{
    m_key.strKey.clear();
    QCOMPARE(ShowKeySource(m_key, m_interaction, "saved", "Specified", "Not specified"),
             QStringLiteral("Not specified"));
    QCOMPARE(m_interaction.shown, QStringList{"Error: Error processing key!"});
    QCOMPARE(m_interaction.icons.value(0), Interaction::Icon::Critical);
    QCOMPARE(m_key.intKeySource, int(KeyRecord::NotSpecified));
}

QTEST_GUILESS_MAIN(tst_keyacquisition)
#include "tst_keyacquisition.moc"
