#include "keys/GenerateRandomTextKey.h"
#include "keys/KeyRecord.h"
#include "keys/RandomKeyCollector.h"

#include <QSet>
#include <QTest>

// The arithmetic of the random key window, and the test keys of the reliability test.
class tst_randomkeycollector : public QObject
{
    Q_OBJECT

private slots:
    void hundredths_data();
    void hundredths();
    void keyByte_data();
    void keyByte();
    void collecting();
    void mouseCannotWeakenTheKey();
    void generatedTestKeys();
};

namespace {

constexpr QChar Block = QChar(0x2588);

} // namespace

void tst_randomkeycollector::hundredths_data()
{
    QTest::addColumn<int>("msecsOfDay");
    QTest::addColumn<int>("hundredths");
    QTest::newRow("whole second") << 0 << 0;
    QTest::newRow("half down to even") << 5 << 0;
    QTest::newRow("half up to even") << 15 << 2;
    QTest::newRow("99.5 gives 100") << 995 << 100;
    QTest::newRow("only the fraction counts") << 12 * 3600000 + 125 << 12;
}

void tst_randomkeycollector::hundredths()
{
    QFETCH(int, msecsOfDay);
    QFETCH(int, hundredths);
    QCOMPARE(RandomKeyCollector::Hundredths(msecsOfDay), hundredths);
}

void tst_randomkeycollector::keyByte_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("draw");
    QTest::addColumn<int>("byte");
    // (2*10 + 200) * (100 + 10) * 11 = 266200 = 223 * 1193 + 161
    QTest::newRow("mouse value alone") << 100 << 200 << 10 << 0 << 161 + 33;
    QTest::newRow("draw added modulo 223") << 100 << 200 << 10 << 100 << (100 + 161) % 223 + 33;
    // 10 * -50 * 1 = -500, which is 169 modulo 223
    QTest::newRow("negative product") << -50 << 10 << 0 << 0 << 169 + 33;
    QTest::newRow("lowest code") << 0 << 0 << 0 << 0 << 33;
    QTest::newRow("highest code") << 0 << 0 << 0 << 222 << 255;
}

void tst_randomkeycollector::keyByte()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, d);
    QFETCH(int, draw);
    QFETCH(int, byte);
    QCOMPARE(RandomKeyCollector::KeyByte(draw, RandomKeyCollector::Product(x, y, d)), byte);
}

// A byte per tick while the pointer moves, none while it stands where it stood at the last
// byte, 64 in all.
void tst_randomkeycollector::collecting()
{
    QList<std::uint32_t> bounds;
    RandomKeyCollector collector([&](std::uint32_t bound) {
        bounds.append(bound);
        return 0u;
    });
    collector.MouseMoved(300, 400);
    collector.Start();
    QCOMPARE(collector.Tick(0), -1); // where it stood when the window opened
    QCOMPARE(collector.ProgressText(), QString(63, QLatin1Char('_')));
    collector.MouseMoved(301, 400);
    QCOMPARE(collector.Tick(0), int(RandomKeyCollector::Product(301, 400, 0) % 223) + 33);
    QCOMPARE(collector.ProgressText(), Block + QString(62, QLatin1Char('_')));
    collector.MouseMoved(900, 900);
    collector.MouseMoved(301, 400); // away and back between two ticks
    QCOMPARE(collector.Tick(250), -1);
    for (int i = 2; i <= 64; ++i) {
        QCOMPARE(collector.Complete(), false);
        collector.MouseMoved(i, 0);
        QVERIFY(collector.Tick(i * 250) >= 33);
    }
    QVERIFY(collector.Complete());
    QCOMPARE(collector.ProgressText(), QString(64, Block));
    collector.MouseMoved(1000, 1000);
    QCOMPARE(collector.Tick(0), -1); // a complete key takes nothing more
    QCOMPARE(bounds, QList<std::uint32_t>(64, 223));
}

// A pointer swinging between two points at the same instants gives only two mouse values; the
// key bytes must still spread over the whole range, as draws from the CSPRNG do.
void tst_randomkeycollector::mouseCannotWeakenTheKey()
{
    RandomKeyCollector collector;
    collector.Start();
    QSet<int> distinct;
    for (int i = 0; i < 64; ++i) {
        collector.MouseMoved(i % 2 ? 10 : 20, 10);
        const int byte = collector.Tick(500);
        QVERIFY(byte >= 33 && byte <= 255);
        distinct.insert(byte);
    }
    // 64 uniform draws from 223 codes give about 55 different ones; fewer than 30 would be a
    // one-in-astronomical event.
    QVERIFY2(distinct.size() >= 30, qPrintable(QString::number(distinct.size())));
}

void tst_randomkeycollector::generatedTestKeys()
{
    KeyRecord key;
    key.intKeyChecksum = 1234;
    key.blnKeyRandom = true;
    int keyfileKeys = 0;
    int shortest = 64;
    int longest = 16;
    bool highCodes = false;
    for (int run = 0; run < 2000; ++run) {
        GenerateRandomTextKey(key);
        const bool text = key.intKeySource == KeyRecord::Keyboard;
        QVERIFY(text || key.intKeySource == KeyRecord::Keyfile);
        keyfileKeys += text ? 0 : 1;
        shortest = std::min<int>(shortest, key.strKey.size());
        longest = std::max<int>(longest, key.strKey.size());
        for (char c : key.strKey) {
            const int code = static_cast<unsigned char>(c);
            QVERIFY(code >= 32 && code <= (text ? 122 : 255));
            highCodes = highCodes || code > 122;
        }
        QCOMPARE(key.strRawKeyText, key.strKey);
    }
    QCOMPARE(shortest, 16);
    QCOMPARE(longest, 64);
    QVERIFY(highCodes);
    // One in ten on average: 200 expected, with a standard deviation of about 13.
    QVERIFY2(keyfileKeys > 120 && keyfileKeys < 280, qPrintable(QString::number(keyfileKeys)));
    QCOMPARE(key.intKeyChecksum, 1234);
    QVERIFY(key.blnKeyRandom);
}

QTEST_APPLESS_MAIN(tst_randomkeycollector)
#include "tst_randomkeycollector.moc"
