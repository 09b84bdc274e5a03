#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "analysis/BytePairPicture.h"
#include "analysis/BytePairPictureView.h"
#include "analysis/RandomnessReport.h"
#include "analysis/RandomnessView.h"
#include "analysis/SingleFileFigures.h"
#include "core/BatchDriver.h"
#include "core/Setup.h"
#include "keys/KeyRecord.h"
#include "storage/FileCipher.h"
#include "support/FileRandomness.h"
#include "support/SizeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The randomness report: the listing's lines, the messages instead of a report, the single
// file's figures, and the picture of its bytes with Stop and the close box.
class tst_randomnessreport : public QObject
{
    Q_OBJECT

private slots:
    void fileLine_data();
    void fileLine();
    void listing();
    void noMatchingFile_data();
    void noMatchingFile();
    void drawingLeavesOutTheLastByte();
    void stopDuringDrawing_data();
    void stopDuringDrawing();
};

namespace {

// The worked examples are written with "," grouping and "." decimals; other locales use theirs.
QString Localised(QString text)
{
    const QLocale locale = StrProc::NumberLocale();
    text.replace(QRegularExpression(QStringLiteral("(\\d)\\.(\\d)")),
                 QStringLiteral("\\1") + locale.decimalPoint() + QStringLiteral("\\2"));
    return text.replace(QLatin1Char(','), locale.groupSeparator());
}

struct RecordingView : RandomnessView
{
    void ShowSingleFile(const SingleFileFigures& shown) override { figures = shown; }
    void ShowReportWindow(const QString& shown) override { caption = shown; }
    SingleFileFigures figures;
    QString caption;
};

struct Report
{
    Report() : driver(key, engine, interaction), report(setup, driver, interaction, view)
    {
        driver.now = [] { return QDateTime(QDate(2026, 12, 7), QTime(10, 20)); };
        report.listing().measure = [this](const QString& path, int minSize) {
            measured.append(QFileInfo(path).fileName());
            const auto fixed = values.constFind(QFileInfo(path).fileName());
            return fixed != values.constEnd() ? FileRandomness::RandomnessValue(*fixed)
                                              : FolderRandomness::FileRandomness(path, minSize);
        };
        setup.strDirpath[Setup::Input] = dir.path() + QLatin1Char('/');
    }
    void write(const QString& name, const QByteArray& data)
    {
        QDir(dir.path()).mkpath(QFileInfo(name).path());
        TestFiles::write(dir.filePath(name), data);
    }
    RandomnessReport::Outcome run(const QString& spec, bool subfolders = false)
    {
        setup.strFilespec[Setup::Input] = spec;
        setup.blnSubdirectories = subfolders;
        return report.MakeRandomnessReport(Setup::Input);
    }
    QString dateLine() const
    {
        return QLocale::system().toString(QDate(2026, 12, 7), QLocale::ShortFormat) +
               QStringLiteral(", 10:20\n");
    }

    QTemporaryDir dir;
    Setup setup;
    KeyRecord key;
    FileCipher engine;
    ScriptedInteraction interaction;
    RecordingView view;
    BatchDriver driver;
    RandomnessReport report;
    QHash<QString, double> values; // by file name, instead of measuring
    QStringList measured;
};

struct PictureView : BytePairPictureView
{
    void ButtonCaption(const QString& text) override { caption = text; }
    void ProgressBar(const QString& text) override { bar = text; }
    void ClockEnabled(bool enabled) override { clock = enabled; }
    void HideWindow() override { hidden = true; }
    QString caption;
    QString bar;
    bool clock = false;
    bool hidden = false;
};

} // namespace

void tst_randomnessreport::fileLine_data()
{
    using Value = std::optional<FileRandomness::RandomnessValue>;
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("line");
    const auto measured = [](double value) {
        return Value(FileRandomness::RandomnessValue(value));
    };
    QTest::newRow("encrypted") << measured(0.9934) << "Data.BIN" << 40000LL
                               << "0.993 * Data.BIN (40,000 bytes)   ";
    QTest::newRow("too small") << Value() << "notes.txt" << 100LL
                               << "        notes.txt (100 bytes)   ";
    QTest::newRow("exactly the threshold")
        << measured(0.89) << "a.doc" << 300LL << "0.890   a.doc (300 bytes)   ";
    QTest::newRow("just above") << measured(0.891) << "a.doc" << 300LL
                                << "0.891 * a.doc (300 bytes)   ";
    QTest::newRow("read error") << Value(FileRandomness::RandomnessError::FileReadError) << "A.doc"
                                << 1234567LL << "[-12]   A.doc (1,234,567 bytes)   ";
}

void tst_randomnessreport::fileLine()
{
    using Value = std::optional<FileRandomness::RandomnessValue>;
    QFETCH(Value, value);
    QFETCH(QString, name);
    QFETCH(qint64, size);
    QFETCH(QString, line);
    QCOMPARE(FolderRandomness::FileLine(value, name, size, 0.89), Localised(line));
}

// A folder tree listed through the batch driver: small files listed but not measured, a
// subfolder's block, the closing lines; alone, the small file is refused with its size.
void tst_randomnessreport::listing()
{
    Report r;
    r.write(QStringLiteral("Data.BIN"), TestFiles::randomBytes(40000, 1));
    r.write(QStringLiteral("x.txt"), QByteArray(255, 'x'));
    r.write(QStringLiteral("sub/edge.bin"), QByteArray(300, 'e'));
    const QByteArray latin1 = QFile::encodeName(r.dir.filePath(QStringLiteral("sub/old"))) + '\xe9';
    QCOMPARE(::mkdir(latin1.constData(), 0700), 0);
    r.values.insert(QStringLiteral("Data.BIN"), 0.9934);
    r.values.insert(QStringLiteral("edge.bin"), 0.89);
    QCOMPARE(r.run(QStringLiteral("*.*"), true), RandomnessReport::Outcome::Listing);
    QCOMPARE(r.view.caption, QStringLiteral("Randomness report for input files *.*"));
    QCOMPARE(r.measured, QStringList({QStringLiteral("Data.BIN"), QStringLiteral("edge.bin")}));
    const QString top = r.setup.strDirpath[Setup::Input];
    QStringList fileLines = {Localised(QStringLiteral("0.993 * Data.BIN (40,000 bytes)   \n")),
                             QStringLiteral("        x.txt (255 bytes)   \n")};
    if (r.driver.report().text().indexOf(QStringLiteral("x.txt")) <
        r.driver.report().text().indexOf(QStringLiteral("Data.BIN")))
        fileLines.swapItemsAt(0, 1); // the folder's own order
    QCOMPARE(r.driver.report().text(),
             top + QLatin1Char('\n') + fileLines.join(QString()) + QLatin1Char('\n') + top +
                 QStringLiteral("sub/\n") +
                 Localised(QStringLiteral("0.890   edge.bin (300 bytes)   \n")) +
                 QStringLiteral("        old\\xE9/ (not read: its name is not valid UTF-8)\n") +
                 QStringLiteral("\n\nNumber of files processed: 3\n\n") + r.dateLine());
    QCOMPARE(r.driver.counters().lineCount, 9); // with the closing count
    QVERIFY(r.interaction.shown.isEmpty());

    QCOMPARE(r.run(QStringLiteral("x.txt")), RandomnessReport::Outcome::TooSmall);
    QCOMPARE(r.interaction.shown.last(),
             QStringLiteral("Randomness report: x.txt is too small (255 bytes) to have a "
                            "randomness value."));
}

void tst_randomnessreport::noMatchingFile_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QString>("message"); // %1 the folder; "" when the listing runs
    QTest::newRow("wildcards") << "*.zzz" << false
                               << "Randomness report: There are no files in %1 matching *.zzz.";
    QTest::newRow("one name") << "nope.txt" << false
                              << "Randomness report: File nope.txt not found.";
    QTest::newRow("with subfolders") << "*.zzz" << true << "";
}

void tst_randomnessreport::noMatchingFile()
{
    QFETCH(QString, spec);
    QFETCH(bool, subfolders);
    QFETCH(QString, message);
    Report r;
    r.write(QStringLiteral("sub/a.txt"), "text");
    const RandomnessReport::Outcome outcome = r.run(spec, subfolders);
    if (message.isEmpty()) {
        QCOMPARE(outcome, RandomnessReport::Outcome::Listing);
        QVERIFY(r.interaction.shown.isEmpty());
        QCOMPARE(r.driver.report().text(),
                 QStringLiteral("\nNumber of files processed: 0\n\n") + r.dateLine());
    } else {
        QCOMPARE(outcome, RandomnessReport::Outcome::NoFiles);
        QCOMPARE(r.interaction.shown, QStringList{message.replace(
                                          QStringLiteral("%1"), r.setup.strDirpath[Setup::Input])});
        QVERIFY(r.view.caption.isEmpty());
    }
}

// 1001 bytes: «Filesize = 1,001 bytes», and the picture takes 500 pairs, leaving out the last
// byte.
void tst_randomnessreport::drawingLeavesOutTheLastByte()
{
    Report r;
    QByteArray bytes;
    for (int pair = 0; pair < 500; ++pair)
        bytes.append(char(pair % 256)).append(char(pair / 256));
    r.write(QStringLiteral("One.bin"), bytes + char(7));
    r.values.insert(QStringLiteral("One.bin"), 0.5);
    QCOMPARE(r.run(QStringLiteral("One.bin")), RandomnessReport::Outcome::SingleFile);
    QCOMPARE(r.view.figures.caption, QStringLiteral("Input file: One.bin"));
    QCOMPARE(r.view.figures.filesize, Localised(QStringLiteral("Filesize = 1,001 bytes")));
    QCOMPARE(r.view.figures.randomness, Localised(QStringLiteral("Randomness = 0.500")));

    PictureView view;
    BytePairPicture picture(r.interaction, view);
    picture.Prepare(r.view.figures.path, r.view.figures.drawingLength);
    picture.cmdDisplay_Click();
    QCOMPARE(picture.pairsDrawn(), 500);
    QCOMPARE(picture.pixels().count(char(0xFF)), 500);
    QCOMPARE(picture.pixels().at(1 * 256 + 243), char(0xFF)); // the last pair, (243, 1)
    QCOMPARE(view.caption, QStringLiteral("Close"));
    QCOMPARE(view.bar, QString(43, QChar(0x2588)));
    QVERIFY(!view.clock);
}

// Stop leaves the bar where it was and the button reading "Close"; the close box hides the
// window at once. Either way the drawing ends at its next pair.
void tst_randomnessreport::stopDuringDrawing_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Stop") << false;
    QTest::newRow("close box") << true;
}

void tst_randomnessreport::stopDuringDrawing()
{
    QFETCH(bool, closeBox);
    Report r;
    r.write(QStringLiteral("big.bin"), TestFiles::randomBytes(64 * 1024, 2));
    PictureView view;
    BytePairPicture picture(r.interaction, view);
    picture.Prepare(r.dir.filePath(QStringLiteral("big.bin")), 64 * 1024);
    int events = 0;
    r.interaction.onProcessEvents = [&] {
        if (++events == 33) // after 32 × 512 bytes: a quarter of the file
            closeBox ? picture.Close() : picture.cmdDisplay_Click();
    };
    picture.cmdDisplay_Click();
    QCOMPARE(picture.pairsDrawn(), 32 * 256);
    QCOMPARE(picture.state(), BytePairPicture::State::Done);
    QCOMPARE(picture.progress(), 11); // 16384 × 43 / 65536 = 10.75
    QCOMPARE(picture.BarText(), QString(11, QChar(0x2588)) + QString(32, QLatin1Char('_')));
    QCOMPARE(view.hidden, closeBox);
    if (!closeBox) {
        QCOMPARE(view.caption, QStringLiteral("Close"));
        picture.cmdDisplay_Click();
        QVERIFY(view.hidden);
    }
}

QTEST_GUILESS_MAIN(tst_randomnessreport)
#include "tst_randomnessreport.moc"
