#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "core/SetupEditor.h"
#include "persist/OperationFile.h"
#include "persist/SetupCommands.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The Setup button's commands over a setup editor without a window: what a load brings in and
// what it leaves alone, the overwrite question, the save failures, clear and restore, start-up.
class tst_setupcommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void load_data();
    void load();
    void loadRefused_data();
    void loadRefused();
    void saveAs_data();
    void saveAs();
    void saveForNextRun();
    void clearThenRestore();
    void loadAtStartUp_data();
    void loadAtStartUp();

private:
    QString path(const QString& name) const
    {
        return name.isEmpty() ? name : m_dir->filePath(name);
    }
    // Encrypt to repairable files, or decrypt in place with subfolders; input folder "a" (which
    // has a subfolder). Returns the setup now in force.
    KeptSetup Use(bool encrypt)
    {
        const QString a = path(QStringLiteral("a/"));
        m_editor->UseSides({a, encrypt ? path(QStringLiteral("b/")) : a},
                           {QStringLiteral("*.txt"), encrypt ? QStringLiteral("*.enc") : "*.txt"});
        m_editor->SetSwitches(encrypt, !encrypt, !encrypt);
        m_editor->SetRepairable(encrypt);
        return m_editor->setup().Keep();
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedInteraction> m_interaction;
    std::unique_ptr<SetupEditor> m_editor;
    std::unique_ptr<SetupCommands> m_commands;
};

void tst_setupcommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QDir().mkpath(path(QStringLiteral("a/sub")));
    QDir().mkpath(path(QStringLiteral("b")));
    m_interaction = std::make_unique<ScriptedInteraction>();
    m_editor = std::make_unique<SetupEditor>(*m_interaction);
    m_commands = std::make_unique<SetupCommands>(*m_editor, *m_interaction);
    m_editor->key().strKey = "the key typed before";
    m_editor->key().intKeySource = KeyRecord::Keyboard;
}

void tst_setupcommands::load_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::newRow("encrypt to another folder") << true;
    QTest::newRow("decrypt in place with subfolders") << false;
}

void tst_setupcommands::load()
{
    QFETCH(bool, encrypt);
    const QString file = path(QStringLiteral("saved.opn"));
    const KeptSetup saved = Use(encrypt);
    QVERIFY(WriteOperationFile(file, m_editor->setup()));
    Use(!encrypt);
    QVERIFY(m_commands->Load(file));
    QCOMPARE(m_editor->setup().Keep(), saved);
    QCOMPARE(m_editor->keptSetup(), saved);
    QCOMPARE(m_editor->setupFilename(), file);
    QCOMPARE(m_editor->key().strKey, QByteArray("the key typed before"));
    QCOMPARE(m_editor->key().intKeySource, KeyRecord::Keyboard);
    QCOMPARE(m_interaction->shown, QStringList());
}

void tst_setupcommands::loadRefused_data()
{
    QTest::addColumn<QString>("name"); // "": the file dialog was cancelled
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    const QByteArray eight = "9.92\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n\"/a/\"\r\n\"*\"\r\n\"/b/\"\r\n";
    const QString loadError = "Error: Error when attempting to load setup from file %1!";
    QTest::newRow("cancelled") << "" << QByteArray() << "";
    QTest::newRow("missing") << "x.opn" << QByteArray()
                             << "Error when attempting to load setup.: File %1 not found!";
    QTest::newRow("eight lines") << "x.opn" << eight << loadError;
    QTest::newRow("switch not a number")
        << "x.opn" << QByteArray(eight + "\"*\"\r\n").replace(" 0 ", "no") << loadError;
}

void tst_setupcommands::loadRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    if (!text.isNull())
        TestFiles::write(path(name), text);
    const KeptSetup before = Use(false);
    m_editor->KeepSetup();
    m_editor->SetSetupFilename(QStringLiteral("/earlier.opn"));
    QVERIFY(!m_commands->Load(path(name)));
    QCOMPARE(m_editor->setup().Keep(), before);
    QCOMPARE(m_editor->keptSetup(), before);
    QCOMPARE(m_editor->setupFilename(), QStringLiteral("/earlier.opn"));
    QCOMPARE(m_interaction->shown,
             message.isEmpty() ? QStringList() : QStringList{message.arg(path(name))});
}

void tst_setupcommands::saveAs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer"); // 0: no question
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("stored"); // the name saved under and asked about
    QTest::newRow("new file") << "x.opn" << 0 << true << "x.opn";
    QTest::newRow("existing, Yes") << "old.opn" << int(Interaction::Yes) << true << "old.opn";
    QTest::newRow("existing, No") << "old.opn" << int(Interaction::No) << false << "old.opn";
    QTest::newRow("existing, Cancel")
        << "old.opn" << int(Interaction::Cancel) << false << "old.opn";
    QTest::newRow("cannot write") << "missing/x.opn" << 0 << false << "missing/x.opn";
    QTest::newRow("the keyfile in use, Yes")
        << "in-use.key" << int(Interaction::Yes) << false << "in-use.key";
    QTest::newRow("typed bare") << "x" << 0 << true << "x.opn";
    QTest::newRow("typed bare, ends in a dot") << "x." << 0 << true << "x.opn";
    QTest::newRow("typed bare, existing, Yes")
        << "old" << int(Interaction::Yes) << true << "old.opn";
    QTest::newRow("typed bare, existing, No")
        << "old" << int(Interaction::No) << false << "old.opn";
}

void tst_setupcommands::saveAs()
{
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(bool, written);
    QFETCH(QString, stored);
    TestFiles::write(path(QStringLiteral("old.opn")), "old");
    TestFiles::write(path(QStringLiteral("in-use.key")), "old");
    m_editor->key().strKeyfilePath = path(QStringLiteral("in-use.key"));
    m_editor->key().intKeySource = KeyRecord::Keyfile;
    if (answer)
        m_interaction->Expect(QStringLiteral("File exists"), Interaction::Button(answer));
    Use(true);
    m_editor->SetSetupFilename(QStringLiteral("/earlier.opn"));
    QCOMPARE(m_commands->SaveAs(path(name)), written);
    QVERIFY(m_interaction->scriptDone());
    if (answer)
        QCOMPARE(m_interaction->shown.first(),
                 "File exists: Overwrite existing file " + path(stored) + '?');
    OperationFileContents contents;
    QCOMPARE(ReadOperationFile(path(stored), contents), written);
    if (written)
        QCOMPARE(contents.saved, m_editor->setup().Keep());
    if (answer && !written)
        QCOMPARE(TestFiles::read(path(stored)), QByteArray("old"));
    const bool failed = !written && answer != Interaction::No && answer != Interaction::Cancel;
    QCOMPARE(m_editor->setupFilename(), written  ? path(stored)
                                        : failed ? QString()
                                                 : QStringLiteral("/earlier.opn"));
    if (failed)
        QCOMPARE(m_interaction->shown.last(),
                 "Error: Cannot save setup in operation file " + path(stored) + '!');
}

void tst_setupcommands::saveForNextRun()
{
    m_editor->SetSetupFilename(QStringLiteral("/earlier.opn"));
    m_editor->SetStartUpDefaults({}, {}, path(QStringLiteral("missing/zr7e.opn")));
    QVERIFY(!m_commands->SaveForNextRun());
    QCOMPARE(m_interaction->shown, QStringList{"Error: Cannot save setup!"});
    m_editor->SetStartUpDefaults({}, {}, path(QStringLiteral("zr7e.opn")));
    QVERIFY(m_commands->SaveForNextRun());
    OperationFileContents contents;
    QVERIFY(ReadOperationFile(path(QStringLiteral("zr7e.opn")), contents));
    QCOMPARE(m_editor->setupFilename(), QStringLiteral("/earlier.opn"));
}

void tst_setupcommands::clearThenRestore()
{
    const KeptSetup before = Use(false);
    m_commands->Clear();
    QCOMPARE(m_editor->setup().Keep(), KeptSetup());
    QCOMPARE(m_editor->setupFilename(), QString());
    QCOMPARE(m_editor->key().intKeySource, KeyRecord::NotSpecified);
    m_editor->key().intKeySource = KeyRecord::Keyboard;
    m_commands->Restore();
    QCOMPARE(m_editor->setup().Keep(), before);
    QCOMPARE(m_editor->key().intKeySource, KeyRecord::NotSpecified);
}

void tst_setupcommands::loadAtStartUp_data()
{
    QTest::addColumn<QByteArray>("text"); // a null array: no file
    QTest::newRow("saved setup") << QByteArray("saved");
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("damaged file") << QByteArray("9.92\r\n 1 \r\n");
}

void tst_setupcommands::loadAtStartUp()
{
    QFETCH(QByteArray, text);
    const QString file = path(QStringLiteral("zr7e.opn"));
    KeptSetup expected;
    if (text == "saved") {
        expected = Use(false);
        QVERIFY(WriteOperationFile(file, m_editor->setup()));
    } else if (!text.isNull()) {
        TestFiles::write(file, text);
    }
    m_editor->SetStartUpDefaults({}, {}, file);
    m_commands->LoadAtStartUp();
    QCOMPARE(m_editor->setup().Keep(), expected);
    QCOMPARE(m_editor->keptSetup(), expected);
    QCOMPARE(m_interaction->shown, QStringList());
}

QTEST_GUILESS_MAIN(tst_setupcommands)
#include "tst_setupcommands.moc"
