#include "TestFiles.h"
#include "core/ProgramPaths.h"
#include "core/Setup.h"
#include "keys/KeyRecord.h"
#include "support/TxtEncDec.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// The setup model, the word switch and the key record's wiping.
class tst_setup : public QObject
{
    Q_OBJECT

private slots:
    void txtEncDec_data();
    void txtEncDec();
    void versionText();
    void synchroniseOutputSide_data();
    void synchroniseOutputSide();
    void keepAndRestore();
    void eraseKeyWipesInPlace();
    void programFilesOfAMovedInstall_data();
    void programFilesOfAMovedInstall();
};

void tst_setup::txtEncDec_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("decryptForm");
    const char* pairs[][2] = {{"Encrypt", "Decrypt"},       {"encrypt", "decrypt"},
                              {"Encryption", "Decryption"}, {"encryption", "decryption"},
                              {"Encrypted", "Decrypted"},   {"encrypted", "decrypted"},
                              {"Encrypting", "Decrypting"}, {"encrypting", "decrypting"}};
    for (const auto& pair : pairs)
        QTest::newRow(pair[0]) << pair[0] << pair[1];
}

void tst_setup::txtEncDec()
{
    QFETCH(QString, word);
    QFETCH(QString, decryptForm);
    QCOMPARE(TxtEncDec(word, true), word);
    QCOMPARE(TxtEncDec(word, false), decryptForm);
    // Other words, other cases and the decryption forms themselves give nothing.
    QCOMPARE(TxtEncDec(word.toUpper(), true), QString());
    QCOMPARE(TxtEncDec(decryptForm, false), QString());
    QCOMPARE(TxtEncDec(word + QLatin1Char('s'), true), QString());
}

void tst_setup::versionText()
{
    QCOMPARE(VersionText(), QStringLiteral("1.02"));
}

void tst_setup::synchroniseOutputSide_data()
{
    QTest::addColumn<QStringList>("before"); // input dir, input spec, output dir, output spec
    QTest::addColumn<QStringList>("after");
    QTest::newRow("input wins") << QStringList{"/a/", "*.txt", "/b/", "*.enc"}
                                << QStringList{"/a/", "*.txt", "/a/", "*.txt"};
    QTest::newRow("empty output takes input")
        << QStringList{"/a/", "*.txt", "", ""} << QStringList{"/a/", "*.txt", "/a/", "*.txt"};
    QTest::newRow("only output set")
        << QStringList{"", "", "/b/", "*.enc"} << QStringList{"/b/", "*.enc", "/b/", "*.enc"};
    QTest::newRow("folder from input, file from output")
        << QStringList{"/a/", "", "/b/", "x.enc"} << QStringList{"/a/", "x.enc", "/a/", "x.enc"};
    QTest::newRow("both empty") << QStringList{"", "", "", ""} << QStringList{"", "", "", ""};
}

void tst_setup::synchroniseOutputSide()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    Setup setup;
    setup.strDirpath = {before[0], before[2]};
    setup.strFilespec = {before[1], before[3]};
    setup.SynchroniseOutputSide();
    QCOMPARE(QStringList({setup.strDirpath[0], setup.strFilespec[0], setup.strDirpath[1],
                          setup.strFilespec[1]}),
             after);
}

void tst_setup::keepAndRestore()
{
    Setup setup;
    setup.blnEncrypt = false;
    setup.blnSubdirectories = true;
    setup.strDirpath = {"/in/", "/out/"};
    setup.strFilespec = {"*.txt", "*.enc"};
    const KeptSetup kept = setup.Keep();
    setup.SetStartUpDefaults();
    setup.blnEncrypt = true;
    QVERIFY(setup.Keep() != kept);
    setup.Restore(kept);
    QCOMPARE(setup.Keep(), kept);
    QCOMPARE(setup.strFilespec[1], QStringLiteral("*.enc"));
}

void tst_setup::eraseKeyWipesInPlace()
{
    KeyRecord key;
    key.strKey = QByteArray("SECRET KEY TEXT ").repeated(4);
    key.strKeyBytes = QByteArray("keyfile bytes");
    key.strKeyDigest = QByteArray(16, 'd');
    key.strKeyfilePath = QStringLiteral("/home/me/key.bin");
    const char* keyChars = key.strKey.constData();
    key.EraseKey();
    QCOMPARE(key.strKey, QByteArray(64, '\0'));
    QCOMPARE(key.strKey.constData(), keyChars); // the same buffer, overwritten
    QCOMPARE(key.strKeyBytes, QByteArray(13, '\0'));
    QCOMPARE(key.strKeyDigest, QByteArray(16, '\0'));
    QCOMPARE(key.strKeyfilePath, QString(16, QChar(0)));
}

void tst_setup::programFilesOfAMovedInstall_data()
{
    QTest::addColumn<QStringList>("present"); // relative to a tree with bin/ and share/zr7e/
    QTest::addColumn<QString>("found");
    QTest::newRow("beside the program")
        << QStringList{"bin/zr7e.dat", "share/zr7e/zr7e.dat"} << "bin/zr7e.dat";
    QTest::newRow("in the tree's data folder")
        << QStringList{"share/zr7e/zr7e.dat"} << "share/zr7e/zr7e.dat";
    QTest::newRow("nowhere: named beside the program") << QStringList{} << "bin/zr7e.dat";
}

void tst_setup::programFilesOfAMovedInstall()
{
    QFETCH(QStringList, present);
    QFETCH(QString, found);
    QTemporaryDir tree;
    QVERIFY(QDir(tree.path()).mkpath("bin") && QDir(tree.path()).mkpath("share/zr7e"));
    for (const QString& file : present)
        QVERIFY(TestFiles::write(tree.filePath(file), "1 x\n"));
    QCOMPARE(ProgramPaths::ProgramTextFile("zr7e.dat", tree.filePath("bin")), tree.filePath(found));
}

QTEST_GUILESS_MAIN(tst_setup)
#include "tst_setup.moc"
