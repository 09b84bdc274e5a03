#include "BatchFixture.h"
#include "TestFiles.h"
#include "core/FileResultText.h"
#include "core/PurgeAdvice.h"
#include "core/ReportView.h"
#include "core/ZR7FileOps.h"
#include "storage/InPlaceFile.h"
#include "support/SizeText.h"

#include <QDir>
#include <QFile>
#include <QTest>

// One file of a batch: refusals, the check that a file to be decrypted looks encrypted, the
// in-place sequence with its protections, and the result texts.
class TestFileOperation : public QObject
{
    Q_OBJECT

private slots:
    void singleFile_data();
    void singleFile();
    void keyfileInUse_data();
    void keyfileInUse();
    void ownExecutable();
    void anomaly_data();
    void anomaly();
    void anomalyThreshold_data();
    void anomalyThreshold();
    void inPlaceRefusedExtensions_data();
    void inPlaceRefusedExtensions();
    void inPlaceRoundTrip();
    void sizeAbove4GiB();
    void purgeLeavesInput();
    void unverifiedResultKeepsOriginal_data();
    void unverifiedResultKeepsOriginal();
    void partialOutputNote();
    void purgeAdvice_data();
    void purgeAdvice();
    void failureTexts_data();
    void failureTexts();
    void engineResultsKeepTheirNumbers_data();
    void engineResultsKeepTheirNumbers();
};

namespace {

const QString Indent = QStringLiteral("\n") + QString(14, QLatin1Char(' '));

// The report line of the file `name` (without the line break).
QString LineOf(BatchFixture& f, const QString& name)
{
    const QStringList lines = f.lines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith(name + QLatin1Char(' ')))
            continue;
        QString line = lines[i];
        while (++i < lines.size() && lines[i].startsWith(QString(14, QLatin1Char(' '))))
            line += QLatin1Char('\n') + lines[i];
        return line;
    }
    return {};
}

// Answers the purge advice from a script and counts the questions.
struct ScriptedAdvice : PurgeAdviceDialogs
{
    Antivirus answer = Antivirus::DontKnow;
    bool tick = false;
    int asked = 0;
    int advised = 0;
    Antivirus AskAntivirus() override
    {
        ++asked;
        return answer;
    }
    bool ShowPurgeAdvice(const QString&) override
    {
        ++advised;
        return tick;
    }
};

} // namespace

void TestFileOperation::singleFile_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("untouched");

    const QByteArray text = QByteArray("plain text. ").repeated(17).left(200);
    QTest::newRow("empty") << true << false << "e.txt" << QByteArray()
                           << "e.txt         This file is empty (0 bytes)." << true;
    QTest::newRow("decrypt 2 bytes")
        << false << false << "two.enc" << QByteArray("ab")
        << "two.enc       This file is too small to have been ZR7-encrypted." << true;
    QTest::newRow("encrypt 2 bytes") << true << false << "two.txt" << QByteArray("ab")
                                     << "two.txt       2 bytes   -> two.txt  " << true;
    QTest::newRow("EXE in place")
        << true << true << "notes.EXE" << QByteArray("MZ program")
        << "notes.EXE     10 bytes   ZR7 does not encrypt-in-place files with extension "
           "\"exe\"."
        << true;
    QTest::newRow("EXE to a new file") << true << false << "notes.EXE" << QByteArray("MZ program")
                                       << "notes.EXE     10 bytes   -> notes.EXE  " << true;
    QTest::newRow("SYS decrypted in place")
        << false << true << "boot.sys" << QByteArray("abc")
        << "boot.sys      3 bytes   ZR7 does not decrypt-in-place files with extension "
           "\"sys\"."
        << true;
    // Below the randomness threshold's minimum size nothing is asked: the engine decides.
    QTest::newRow("200-byte text decrypted")
        << false << false << "short.txt" << text
        << "short.txt     200 bytes   Invalid block size." + Indent +
               "Decryption key is incorrect or ciphertext is corrupt."
        << true;
}

void TestFileOperation::singleFile()
{
    QFETCH(bool, encrypt);
    QFETCH(bool, inPlace);
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, line);
    QFETCH(bool, untouched);
    BatchFixture f;
    f.setup.blnEncrypt = encrypt;
    f.setup.blnOutputFilesSame = inPlace;
    f.write(name, content);
    const QString out = inPlace ? QString() : QStringLiteral("out");
    f.Run(QString(), name, out, QStringLiteral("*.*"));
    QVERIFY2(LineOf(f, name).startsWith(line), qPrintable(f.report()));
    if (untouched)
        QCOMPARE(f.read(name), content);
    QVERIFY(f.interaction.shown.isEmpty());
}

void TestFileOperation::keyfileInUse_data()
{
    QTest::addColumn<int>("keySource");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<bool>("refused");
    QTest::newRow("keyfile, in place") << KeyRecord::Keyfile << true << true;
    QTest::newRow("keyfile, to a new file") << KeyRecord::Keyfile << false << false;
    QTest::newRow("typed key, in place") << KeyRecord::Keyboard << true << false;
    // Same name in the same folder replaces the file although output same is off.
    QTest::newRow("keyfile, same name and folder") << KeyRecord::Keyfile << false << true;
}

void TestFileOperation::keyfileInUse()
{
    QFETCH(int, keySource);
    QFETCH(bool, inPlace);
    QFETCH(bool, refused);
    BatchFixture f;
    f.setup.blnOutputFilesSame = inPlace;
    f.write(QStringLiteral("Key.dat"), "the key file");
    f.key.intKeySource = keySource;
    // The keyfile is known by what it is, not by the name it was given: here a link to the
    // folder leads to it.
    QVERIFY(QFile::link(f.path(QString()), f.path(QStringLiteral("alias"))));
    f.key.strKeyfilePath = f.path(QStringLiteral("alias/Key.dat"));
    const QString out = inPlace || refused ? QString() : QStringLiteral("out");
    f.Run(QString(), QStringLiteral("Key.dat"), out, QStringLiteral("*.*"));
    const QString text = QStringLiteral("This is the current keyfile.  Encryption not performed.");
    QCOMPARE(LineOf(f, QStringLiteral("Key.dat")).endsWith(text), refused);
    QCOMPARE(f.read(QStringLiteral("Key.dat")) == "the key file", refused || !inPlace);
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files).size(), 1);
}

void TestFileOperation::ownExecutable()
{
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.setup.blnEncrypt = false;
    f.writeEncrypted(QStringLiteral("zr7e"), "pretend program");
    QVERIFY(QFile::link(f.path(QString()), f.path(QStringLiteral("alias"))));
    f.driver.fileOps().ownExecutable = f.path(QStringLiteral("alias/zr7e"));
    f.Run(QString(), QStringLiteral("zr7e"), QString(), QStringLiteral("*.*"));
    QVERIFY(
        LineOf(f, QStringLiteral("zr7e"))
            .endsWith(QStringLiteral("This is the ZR7 executable.  Decryption not performed.")));
}

void TestFileOperation::anomaly_data()
{
    QTest::addColumn<QStringList>("answers"); // titles and answers, alternating
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("aborted");
    const QString skipped = QStringLiteral("skipped (file seems not encrypted)");
    QTest::newRow("decrypt anyway")
        << QStringList{"Anomaly", "Yes", "Anomaly", "Yes"}
        << QStringLiteral("Invalid block size.") + Indent +
               QStringLiteral("Decryption key is incorrect or ciphertext is corrupt.")
        << false;
    // The last file of a folder brings no Abort? question.
    QTest::newRow("skip, go on") << QStringList{"Anomaly", "No", "Abort?", "No", "Anomaly", "No"}
                                 << skipped << false;
    QTest::newRow("skip, abort") << QStringList{"Anomaly", "No", "Abort?", "Yes"} << skipped
                                 << true;
}

void TestFileOperation::anomaly()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, line);
    QFETCH(bool, aborted);
    BatchFixture f;
    f.setup.blnEncrypt = false;
    f.setup.blnOutputFilesSame = true;
    const QByteArray letter = QByteArray("An ordinary letter, not encrypted. ").repeated(9);
    f.write(QStringLiteral("a.txt"), letter);
    f.write(QStringLiteral("b.txt"), letter);
    for (qsizetype i = 0; i < answers.size(); i += 2)
        f.interaction.Expect(answers[i],
                             answers[i + 1] == "Yes" ? Interaction::Yes : Interaction::No);
    f.Run(QString(), QStringLiteral("*.txt"), QString(), QStringLiteral("*.*"));
    QVERIFY(f.interaction.scriptDone());
    QCOMPARE(f.interaction.shown.first(),
             QStringLiteral("Anomaly: This file appears NOT to be encrypted?\nAttempt to decrypt "
                            "it anyway?"));
    if (answers.at(1) == "No")
        QCOMPARE(f.interaction.shown.at(1),
                 QStringLiteral("Abort?: Abort this decryption operation?"));
    const QString first = f.lines().value(1).left(5);
    QVERIFY2(LineOf(f, first).endsWith(line), qPrintable(f.report()));
    const QString second = first == "a.txt" ? QStringLiteral("b.txt") : QStringLiteral("a.txt");
    QCOMPARE(LineOf(f, second).isEmpty(), aborted);
    QCOMPARE(f.result.outcome == BatchOutcome::Stopped, aborted);
    // Ended at the question, the report closes as after Stop: a blank line, then the figures.
    if (aborted)
        QVERIFY2(f.report().contains("seems not encrypted)\n\nNumber of files decrypted: 0\n"),
                 qPrintable(f.report()));
    QCOMPARE(f.read(QStringLiteral("a.txt")), letter);
    QCOMPARE(f.read(QStringLiteral("b.txt")), letter);
}

void TestFileOperation::anomalyThreshold_data()
{
    QTest::addColumn<int>("shortBy"); // bytes below the minimum size for a randomness value
    QTest::addColumn<bool>("asked");
    QTest::newRow("minimum size") << 0 << true;
    QTest::newRow("one byte less") << 1 << false;
}

void TestFileOperation::anomalyThreshold()
{
    QFETCH(int, shortBy);
    QFETCH(bool, asked);
    BatchFixture f;
    f.setup.blnEncrypt = false;
    const QByteArray text = QByteArray("Nothing hidden here. ")
                                .repeated(20)
                                .left(f.setup.intMinFilesizeForRandomness - shortBy);
    f.write(QStringLiteral("a.txt"), text);
    if (asked)
        f.interaction.Expect(QStringLiteral("Anomaly"), Interaction::No);
    f.Run(QString(), QStringLiteral("a.txt"), QStringLiteral("out"), QStringLiteral("*.*"));
    QVERIFY(f.interaction.scriptDone());
    QCOMPARE(f.interaction.shown.size(), asked ? 1 : 0);
    QCOMPARE(LineOf(f, QStringLiteral("a.txt")).endsWith(QStringLiteral("seems not encrypted)")),
             asked);
    QCOMPARE(f.read(QStringLiteral("a.txt")), text);
}

void TestFileOperation::inPlaceRefusedExtensions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    for (const char* extension :
         {"bat", "bin", "com", "dll", "drv", "exe", "ini", "ovl", "pif", "swp", "sys"})
        QTest::newRow(extension) << QStringLiteral("file.") + QLatin1String(extension)
                                 << QString::fromLatin1(extension);
    QTest::newRow("upper case") << "NOTES.EXE"
                                << "exe";
}

void TestFileOperation::inPlaceRefusedExtensions()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.write(name, "left as it is");
    f.Run(QString(), name, QString(), name);
    QVERIFY2(LineOf(f, name).endsWith(
                 QStringLiteral("ZR7 does not encrypt-in-place files with extension \"%1\".")
                     .arg(extension)),
             qPrintable(f.report()));
    QCOMPARE(f.read(name), QByteArray("left as it is"));
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList{name});
}

void TestFileOperation::inPlaceRoundTrip()
{
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    const QByteArray big = TestFiles::randomBytes(3 * 1024 * 1024 + 5, 7);
    f.write(QStringLiteral("big.dat"), big);
    f.write(QStringLiteral("small.txt"), "small");
    // Each pass over the file is named while it runs, and gone from the finished line.
    struct Passes : ReportView
    {
        QStringList shown;
        void TextAppended(const QString& text, bool) override
        {
            if (text.startsWith(QStringLiteral("  ... ")))
                shown.append(text.trimmed());
        }
    } view;
    f.driver.SetView(&view);
    f.Run(QString(), QStringLiteral("*.*"), QString(), QStringLiteral("*.*"));
    const QStringList passes{"... encrypting ...", "... verifying ...",
                             "... purging the original ..."};
    QCOMPARE(view.shown, passes + passes);
    const qint64 size = QFileInfo(f.path(QStringLiteral("small.txt"))).size();
    QCOMPARE(LineOf(f, QStringLiteral("small.txt")),
             QStringLiteral("small.txt     5 bytes   -> %1 bytes").arg(size));
    QVERIFY2(f.decrypted(QStringLiteral("big.dat")) == big, qPrintable(f.report()));

    f.setup.blnEncrypt = false;
    view.shown.clear();
    f.Run(QString(), QStringLiteral("*.*"), QString(), QStringLiteral("*.*"));
    const QStringList decrypting{"... decrypting ...", "... verifying ..."};
    QCOMPARE(view.shown, decrypting + decrypting);
    QCOMPARE(f.read(QStringLiteral("big.dat")), big);
    QCOMPARE(f.read(QStringLiteral("small.txt")), QByteArray("small"));
    // No temporary file is left behind.
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"big.dat", "small.txt"}));
    QCOMPARE(f.driver.counters().filesDone, 2);
}

void TestFileOperation::sizeAbove4GiB()
{
    BatchFixture f;
    f.setup.blnEncrypt = false;
    // A sparse file of 5 GiB: it reads as zeros, so it does not look encrypted and is skipped
    // without being read through.
    QFile large(f.path(QStringLiteral("huge.enc")));
    QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(5LL << 30));
    large.close();
    f.interaction.Expect(QStringLiteral("Anomaly"), Interaction::No);
    f.Run(QString(), QStringLiteral("huge.enc"), QStringLiteral("out"), QStringLiteral("*.*"));
    QCOMPARE(LineOf(f, QStringLiteral("huge.enc")),
             QStringLiteral("huge.enc      %1 bytes   skipped (file seems not encrypted)")
                 .arg(StrProc::NumberLocale().toString(5LL << 30)));
}

void TestFileOperation::purgeLeavesInput()
{
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.write(QStringLiteral("locked.txt"), "cannot be replaced");
    // The result vanishes before it can take the name: the exchange fails.
    f.driver.fileOps().onStage = [](ZR7FileOps::Stage stage, const InPlaceFile& file) {
        if (stage == ZR7FileOps::Stage::Exchanging)
            QFile::remove(QString::fromStdString(file.resultPath()));
    };
    f.Run(QString(), QStringLiteral("locked.txt"), QString(), QStringLiteral("*.*"));
    QVERIFY2(LineOf(f, QStringLiteral("locked.txt"))
                 .startsWith(QStringLiteral("locked.txt    18 bytes   Error when renaming "
                                            "temporary output file. The result of the "
                                            "encryption operation is in the file ") +
                             f.path(QStringLiteral(".zr7-"))),
             qPrintable(f.report()));
    QCOMPARE(f.read(QStringLiteral("locked.txt")), QByteArray("cannot be replaced"));
    // A result that could not take the file's name is a failure.
    QCOMPARE(f.driver.counters().filesDone, 0);
}

void TestFileOperation::unverifiedResultKeepsOriginal_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("damage");
    for (const bool encrypt : {true, false}) {
        for (const char* damage : {"7 bytes lost at 1 MiB", "cut short", "extended"})
            QTest::addRow("%s, %s", encrypt ? "encrypted" : "decrypted", damage)
                << encrypt << damage;
    }
}

void TestFileOperation::unverifiedResultKeepsOriginal()
{
    QFETCH(bool, encrypt);
    QFETCH(QString, damage);
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.setup.blnEncrypt = encrypt;
    const QByteArray plain = TestFiles::randomBytes(3 << 20, 3);
    encrypt ? f.write("doc.txt", plain) : f.writeEncrypted("doc.txt", plain);
    const QByteArray before = f.read("doc.txt");
    // The result on disk is not what was written (a write lost, the file cut): its proof fails.
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage stage, const InPlaceFile& file) {
        QFile result(QString::fromStdString(file.resultPath()));
        if (stage != ZR7FileOps::Stage::Verifying || !result.open(QIODevice::ReadWrite))
            return;
        if (damage.startsWith("7 bytes"))
            result.seek(1 << 20) && result.write(QByteArray(7, 0));
        else
            result.resize(result.size() + (damage == "cut short" ? -1 : 1));
    };
    f.Run(QString(), QStringLiteral("doc.txt"), QString(), QStringLiteral("*.*"));
    QVERIFY2(LineOf(f, QStringLiteral("doc.txt"))
                 .endsWith(QStringLiteral("The result could not be verified on disk, so the "
                                          "original file was kept.")),
             qPrintable(f.report()));
    QCOMPARE(f.driver.counters().filesDone, 0);
    QCOMPARE(f.read(QStringLiteral("doc.txt")), before);
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("doc.txt")});
}

void TestFileOperation::partialOutputNote()
{
    BatchFixture f;
    f.setup.blnEncrypt = false;
    const QByteArray plain = TestFiles::randomBytes(2 * 1024 * 1024 + 100, 9);
    f.writeEncrypted(QStringLiteral("x.enc"), plain);
    // Damage in the last chunk: the chunks before it decrypt and are kept.
    QByteArray cipher = f.read(QStringLiteral("x.enc"));
    cipher[cipher.size() - 30] = char(cipher[cipher.size() - 30] ^ 1);
    f.write(QStringLiteral("x.enc"), cipher);
    f.Run(QString(), QStringLiteral("x.enc"), QStringLiteral("out"), QStringLiteral("*.txt"));
    QVERIFY2(LineOf(f, QStringLiteral("x.enc"))
                 .endsWith(QStringLiteral("Invalid block size.") + Indent +
                           QStringLiteral("Decryption key is incorrect or ciphertext is corrupt.") +
                           Indent + QStringLiteral("Partial plaintext may be in x.txt.partial.")),
             qPrintable(f.report()));
    QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("out/x.txt"))));
}

void TestFileOperation::purgeAdvice_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("stillShown");
    QTest::newRow("antivirus off") << int(PurgeAdviceDialogs::Antivirus::No) << false << 1 << false;
    QTest::newRow("don't know, advice again")
        << int(PurgeAdviceDialogs::Antivirus::DontKnow) << false << 2 << true;
    QTest::newRow("yes, advice ticked off")
        << int(PurgeAdviceDialogs::Antivirus::Yes) << true << 1 << false;
}

void TestFileOperation::purgeAdvice()
{
    QFETCH(int, answer);
    QFETCH(bool, tick);
    QFETCH(int, asked);
    QFETCH(bool, stillShown);
    BatchFixture f;
    ScriptedAdvice advice;
    advice.answer = PurgeAdviceDialogs::Antivirus(answer);
    advice.tick = tick;
    f.driver.SetPurgeAdvice(&advice);
    f.setup.blnOutputFilesSame = true;
    for (const char* name : {"a.doc", "b.DOC", "c.txt", "d.docx"})
        f.write(QString::fromLatin1(name), "document");
    f.Run(QString(), QStringLiteral("*.*"), QString(), QStringLiteral("*.*"));
    QCOMPARE(advice.asked, asked);
    QCOMPARE(f.driver.showPurgeWarning(), stillShown);
    QCOMPARE(f.driver.counters().filesDone, 4);
}

void TestFileOperation::failureTexts_data()
{
    QTest::addColumn<FileResult>("result");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("partial");
    using R = FileResult;
    QTest::newRow("own executable")
        << R::OwnExecutable << true << "This is the ZR7 executable.  Encryption not performed."
        << false;
    QTest::newRow("keyfile") << R::CurrentKeyfile << false
                             << "This is the current keyfile.  Decryption not performed." << false;
    QTest::newRow("key derivation")
        << R::KeyDerivationFailed << false
        << "Out of memory: the key could not be derived for this file." << false;
    QTest::newRow("no temporary") << R::NoTemporaryName << true
                                  << "Unable to get temporary output filename." << false;
    QTest::newRow("rename") << R::RenameFailed << false
                            << "Error when renaming temporary output file. The result of the "
                               "decryption operation is in the file /data/a.doc1."
                            << false;
    QTest::newRow("not found") << R::InputNotFound << true << "Input file not found." << false;
    QTest::newRow("input") << R::InputNotOpened << true << "Unable to open input file." << false;
    QTest::newRow("output") << R::OutputNotOpened << true << "Unable to open output file." << false;
    QTest::newRow("read") << R::ReadError << true << "Read error." << false;
    QTest::newRow("read, partial") << R::ReadErrorPartial << false << "Read error." << true;
    QTest::newRow("write") << R::WriteError << true << "Write error." << false;
    QTest::newRow("write, partial") << R::WriteErrorPartial << false << "Write error." << true;
    QTest::newRow("block, partial")
        << R::InvalidBlockPartial << false
        << "Invalid block size." + Indent + "Decryption key is incorrect or ciphertext is corrupt."
        << true;
    QTest::newRow("disk full") << R::DiskFull << true << "Write error: disk full." << false;
    // Numbers nothing gives any longer (the floppy rename, the block expansion errors) and
    // the engine's faults of order have no words of their own.
    QTest::newRow("8") << FileResult(8) << true << "Unknown error #8." << false;
    QTest::newRow("-21") << FileResult(-21) << false << "Unknown error #-21." << false;
    QTest::newRow("-30") << FileResult(-30) << false << "Unknown error #-30." << false;
    QTest::newRow("not allocated") << R::NotAllocated << true << "Unknown error #-1." << false;
}

void TestFileOperation::failureTexts()
{
    QFETCH(FileResult, result);
    QFETCH(bool, encrypt);
    QFETCH(QString, text);
    QFETCH(bool, partial);
    QCOMPARE(FileResultText::FailureText(result, encrypt, QStringLiteral("/data/a.doc"),
                                         QStringLiteral("/data/a.doc1")),
             text);
    QCOMPARE(FileResultText::MayLeavePartialOutput(result), partial);
}

// The report gives a result it has no words for by its number, and a batch tells a partial
// output from none by the result: each engine result becomes the file result of its own number.
void TestFileOperation::engineResultsKeepTheirNumbers_data()
{
    QTest::addColumn<EngineResult>("result");
    QTest::newRow("Success") << EngineResult::Success;
    QTest::newRow("NotAllocated") << EngineResult::NotAllocated;
    QTest::newRow("NotInitialised") << EngineResult::NotInitialised;
    QTest::newRow("InputNotFound") << EngineResult::InputNotFound;
    QTest::newRow("InputNotOpened") << EngineResult::InputNotOpened;
    QTest::newRow("OutputNotOpened") << EngineResult::OutputNotOpened;
    QTest::newRow("ReadError") << EngineResult::ReadError;
    QTest::newRow("WriteError") << EngineResult::WriteError;
    QTest::newRow("InvalidBlock") << EngineResult::InvalidBlock;
    QTest::newRow("DiskFull") << EngineResult::DiskFull;
    QTest::newRow("KeyDerivationFailed") << EngineResult::KeyDerivationFailed;
    QTest::newRow("ReadErrorPartial") << EngineResult::ReadErrorPartial;
    QTest::newRow("WriteErrorPartial") << EngineResult::WriteErrorPartial;
    QTest::newRow("InvalidBlockPartial") << EngineResult::InvalidBlockPartial;
    QTest::newRow("RetiredFormat") << EngineResult::RetiredFormat;
    QTest::newRow("OutputNotVerified") << EngineResult::OutputNotVerified;
}

void TestFileOperation::engineResultsKeepTheirNumbers()
{
    QFETCH(EngineResult, result);
    QCOMPARE(static_cast<int>(FromEngine(result)), static_cast<int>(result));
}

QTEST_GUILESS_MAIN(TestFileOperation)
#include "tst_fileoperation.moc"
