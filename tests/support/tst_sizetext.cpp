#include "TestFiles.h"
#include "support/SizeText.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace StrProc;

namespace {

constexpr double GiB = 1073741824.0;

// The figures of the product texts use the C fallback: comma groups, point decimals.
QLocale Fallback()
{
    return NumberLocale(QLocale::c());
}

} // namespace

// Size, minutes and duration texts.
class tst_sizetext : public QObject
{
    Q_OBJECT

private slots:
    void sizeText_data();
    void sizeText();
    void numberLocale();
    void fileSizeText();
    void minutesText_data();
    void minutesText();
    void durationText_data();
    void durationText();
};

void tst_sizetext::sizeText_data()
{
    QTest::addColumn<double>("bytes");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* tag, double bytes, int decimals, const QString& text) {
        QTest::newRow(tag) << bytes << decimals << text;
    };
    row("negative", -1.0, 2, "");
    row("zero", 0.0, 2, "0 bytes");
    row("one", 1.0, 2, "1 bytes");
    row("below a KB", 1023.0, 2, "1023 bytes");
    row("one KB", 1024.0, 2, "1.00 KB");
    row("main screen example", 12636.0, 2, "12.34 KB");
    row("one decimal", 1536.0, 1, "1.5 KB");
    row("no decimals", 1536.0, 0, "2 KB");
    row("grouped KB just below a MB", 1048575.0, 2, "1,024.00 KB");
    row("one MB", 1048576.0, 2, "1.00 MB");
    row("2^31 bytes", 2 * GiB, 2, "2,048.00 MB");
    row("2^32 bytes", 4 * GiB, 2, "4,096.00 MB");
    row("2^32 + 1 MB", 4 * GiB + 1048576, 2, "4,097.00 MB");
    row("five GiB", 5 * GiB, 2, "5,120.00 MB");
    row("a TiB stays in MB", 1024 * GiB, 0, "1,048,576 MB");
}

void tst_sizetext::sizeText()
{
    QFETCH(double, bytes);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(SizeText(bytes, decimals, Fallback()), text);
}

void tst_sizetext::numberLocale()
{
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(NumberLocale(german), german);
    QCOMPARE(SizeText(5 * GiB, 2, german), QStringLiteral("5.120,00 MB"));
    QCOMPARE(SizeText(1023, 2, german), QStringLiteral("1023 bytes"));
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(SizeText(12636, 2, NumberLocale(english)), QStringLiteral("12.34 KB"));
    QCOMPARE(Fallback().groupSeparator(), QStringLiteral(","));
    QCOMPARE(Fallback().decimalPoint(), QStringLiteral("."));
    // Under LANG=C (or C.UTF-8) the default locale is that fallback.
    if (QLocale::system().language() == QLocale::C)
        QCOMPARE(SizeText(5 * GiB, 2), QStringLiteral("5,120.00 MB"));
}

void tst_sizetext::fileSizeText()
{
    QTemporaryDir dir;
    const QString small = dir.filePath("small");
    const QString empty = dir.filePath("empty");
    const QString large = dir.filePath("large");
    QVERIFY(TestFiles::write(small, QByteArray(1536, 'x')));
    QVERIFY(TestFiles::write(empty, {}));
    QFile sparse(large); // takes no disk space
    QVERIFY(sparse.open(QIODevice::WriteOnly));
    QVERIFY(sparse.resize(qint64(5) << 30));
    sparse.close();
    QCOMPARE(FileSizeText(small, 2, Fallback()), QStringLiteral("1.50 KB"));
    QCOMPARE(FileSizeText(empty, 2, Fallback()), QStringLiteral("0 bytes"));
    QCOMPARE(FileSizeText(large, 2, Fallback()), QStringLiteral("5,120.00 MB"));
    QCOMPARE(FileSizeText(dir.filePath("gone"), 2, Fallback()), QString());
    QCOMPARE(FileSizeText(dir.path(), 2, Fallback()), QString());
    QCOMPARE(FileSizeText("", 2, Fallback()), QString());
}

void tst_sizetext::minutesText_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("longText");
    QTest::addColumn<QString>("shortText");
    const auto row = [](const char* tag, int minutes, const QString& longText,
                        const QString& shortText) {
        QTest::newRow(tag) << minutes << longText << shortText;
    };
    row("none", 0, "0 minutes", "0m");
    row("one", 1, "1 minute", "1m");
    row("59", 59, "59 minutes", "59m");
    row("one hour", 60, "1 hour", "1h");
    row("hours and minutes", 125, "2 hours and 5 minutes", "2h 5m");
    row("one day", 1440, "1 day", "1d");
    row("day and minute", 1441, "1 day and 1 minute", "1d 1m");
    row("day and hour", 1500, "1 day and 1 hour", "1d 1h");
    row("three units", 1501, "1 day and 1 hour", "1d 1h 1m");
    row("days plural", 3000, "2 days and 2 hours", "2d 2h");
}

void tst_sizetext::minutesText()
{
    QFETCH(int, minutes);
    QFETCH(QString, longText);
    QFETCH(QString, shortText);
    QCOMPARE(MinutesText(minutes, true), longText);
    QCOMPARE(MinutesText(minutes, false), shortText);
}

void tst_sizetext::durationText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("longText");
    QTest::addColumn<QString>("shortText");
    const auto row = [](const char* tag, int seconds, const QString& longText,
                        const QString& shortText) {
        QTest::newRow(tag) << seconds << longText << shortText;
    };
    row("none", 0, "0 seconds", "0s");
    row("one", 1, "1 second", "1s");
    row("59", 59, "59 seconds", "59s");
    row("one minute", 60, "1 minute", "1m");
    row("minute and second", 61, "1 minute and 1 second", "1m 1s");
    row("example", 125, "2 minutes and 5 seconds", "2m 5s");
    row("one hour", 3600, "1 hour", "1h");
    row("hour and second", 3601, "1 hour and 1 second", "1h 1s");
    row("hour, minute, second", 3661, "1 hour and 1 minute", "1h 1m 1s");
    row("one day", 86400, "1 day", "1d");
    row("all four units", 90061, "1 day and 1 hour", "1d 1h 1m 1s");
    row("day and second", 86401, "1 day and 1 second", "1d 1s");
    row("largest", 2147483647, "24855 days and 3 hours", "24855d 3h 14m 7s");
}

void tst_sizetext::durationText()
{
    QFETCH(int, seconds);
    QFETCH(QString, longText);
    QFETCH(QString, shortText);
    QCOMPARE(DurationText(seconds, true), longText);
    QCOMPARE(DurationText(seconds, false), shortText);
}

QTEST_GUILESS_MAIN(tst_sizetext)
#include "tst_sizetext.moc"
