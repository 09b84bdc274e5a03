#include "support/FileRandomness.h"
#include "support/RandomnessMeasure.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

constexpr int SampleCount = 20000;

const char EnglishText[] =
    "When the committee met again in the spring, nobody could remember who had first "
    "suggested moving the library to the old railway station. The building was large and "
    "cold, and the roof leaked above the waiting room, but the light in the afternoons was "
    "wonderful. Children came after school to read by the tall windows, and on Saturdays the "
    "reading group filled the ticket hall with arguments about novels that most of them had "
    "only half finished. By the end of the year the council agreed to repair the roof.";

const char SourceCode[] = R"(#include <vector>

// Returns the indices of all values above the threshold, in order.
std::vector<int> indicesAbove(const std::vector<double>& values, double threshold)
{
    std::vector<int> result;
    for (int i = 0; i < static_cast<int>(values.size()); ++i) {
        if (values[i] > threshold)
            result.push_back(i);
    }
    return result;
}

int main()
{
    const std::vector<double> data{1.5, 2.5, 0.5, 4.0};
    return static_cast<int>(indicesAbove(data, 1.0).size());
}
)";

Bytes fromText(const char* text)
{
    const auto* begin = reinterpret_cast<const std::uint8_t*>(text);
    return Bytes(begin, begin + std::strlen(text));
}

Bytes uniformBytes(std::mt19937_64& generator, std::size_t size, int low, int high)
{
    std::uniform_int_distribution<int> pick(low, high);
    Bytes bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(pick(generator));
    return bytes;
}

Bytes pattern(std::size_t size, int start, int step)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(start + step * static_cast<int>(i % 256));
    return bytes;
}

// The expectation summed over every k with the pmf from lgamma, no window and no
// recurrence: slow, but independent of the shortcuts the measure takes.
double bruteExpectedEntropy(std::uint64_t n)
{
    const double nd = static_cast<double>(n);
    const double p = 1.0 / 256.0;
    double sum = 0;
    for (std::uint64_t k = 1; k <= n; ++k) {
        const double kd = static_cast<double>(k);
        const double logPmf = std::lgamma(nd + 1) - std::lgamma(kd + 1) - std::lgamma(nd - kd + 1) +
                              kd * std::log(p) + (nd - kd) * std::log1p(-p);
        sum += std::exp(logPmf) * (kd / nd) * std::log2(kd / nd);
    }
    return -256.0 * sum;
}

} // namespace

class tst_randomnessmeasure : public QObject
{
    Q_OBJECT

private slots:
    void expectedEntropy_data()
    {
        QTest::addColumn<quint64>("count");
        QTest::addColumn<double>("expected");

        // Two bytes: distinct (1 bit) unless equal (0 bits, probability 1/256).
        QTest::newRow("2") << quint64(2) << 255.0 / 256.0;
        // Three bytes: all distinct log2(3), one pair H(1/3, 2/3), all equal 0.
        const double pair = -(std::log2(1.0 / 3) / 3 + 2 * std::log2(2.0 / 3) / 3);
        QTest::newRow("3") << quint64(3)
                           << (255.0 * 254 / 65536) * std::log2(3.0) + (3.0 * 255 / 65536) * pair;
        for (const quint64 n : {63, 64, 255, 256, 4095, 100000})
            QTest::newRow(qPrintable(QString::number(n))) << n << bruteExpectedEntropy(n);
    }

    void expectedEntropy()
    {
        QFETCH(quint64, count);
        QFETCH(double, expected);
        const double value = Randomness::expectedEntropy(count);
        QVERIFY2(std::abs(value - expected) < 1e-9, qPrintable(QString::number(value, 'g', 15)));
    }

    void expectedEntropyApproachesEightBits()
    {
        // For large n the shortfall below 8 bits tends to 255 / (2 n ln 2).
        const std::uint64_t n = std::uint64_t{1} << 26;
        const double shortfall = 8.0 - Randomness::expectedEntropy(n);
        QVERIFY(std::abs(shortfall / (255.0 / (2.0 * n * std::log(2.0))) - 1.0) < 1e-3);
        QCOMPARE(Randomness::expectedEntropy(0), 0.0);
        QCOMPARE(Randomness::expectedEntropy(1), 0.0);
    }

    void randomSamples_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::addColumn<double>("bound");
        QTest::addColumn<bool>("above");
        QTest::addColumn<double>("share");

        QTest::newRow("random 256 bytes") << 256 << 0 << 255 << 0.89 << true << 1.0;
        QTest::newRow("64-byte keys of codes 33..255") << 64 << 33 << 255 << 0.88 << true << 0.999;
        // 26 symbols cannot carry the entropy of 64 random bytes, though a rare draw reaches
        // just past 0.80.
        QTest::newRow("64 capital letters") << 64 << int('A') << int('Z') << 0.80 << false << 0.999;
    }

    void randomSamples()
    {
        QFETCH(int, size);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        QFETCH(double, bound);
        QFETCH(bool, above);
        QFETCH(double, share);
        std::mt19937_64 generator(20240611 + size + lowest);
        int inside = 0;
        double smallest = 1.0, largest = 0.0;
        for (int i = 0; i < SampleCount; ++i) {
            const Bytes bytes = uniformBytes(generator, size, lowest, highest);
            const double value = FileRandomness::randomness_measure(bytes.data(), size, size);
            inside += (above ? value > bound : value <= bound) ? 1 : 0;
            smallest = std::min(smallest, value);
            largest = std::max(largest, value);
        }
        qInfo("%s: %d of %d on the right side of %.2f, values %.4f to %.4f",
              QTest::currentDataTag(), inside, SampleCount, bound, smallest, largest);
        QVERIFY(inside >= SampleCount * share);
        QVERIFY(above ? smallest > bound - 0.05 : largest < bound + 0.02);
    }

    void structuredData_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<double>("limit");

        QTest::newRow("English text") << fromText(EnglishText) << 0.8;
        QTest::newRow("C++ source") << fromText(SourceCode) << 0.8;
        QTest::newRow("zeros 256") << Bytes(256, 0) << 0.1;
        QTest::newRow("0xff 64 KiB") << Bytes(65536, 0xff) << 0.1;
        QTest::newRow("counting up 1 MiB") << pattern(1 << 20, 0, 1) << 0.1;
        QTest::newRow("counting down 4 KiB") << pattern(4096, 255, -1) << 0.1;
        QTest::newRow("step 7 counter 64 KiB") << pattern(65536, 3, 7) << 0.1;
        QTest::newRow("counting up 64") << pattern(64, 0, 1) << 0.1;
    }

    void structuredData()
    {
        QFETCH(Bytes, bytes);
        QFETCH(double, limit);
        const double value = Randomness::measure(bytes.data(), bytes.size());
        QVERIFY2(value >= 0 && value < limit, qPrintable(QString::number(value)));
    }

    void piecesGiveTheSameResult_data()
    {
        QTest::addColumn<std::size_t>("piece");
        // Around the eight-byte stride of the fast loop and its one-byte look-ahead.
        for (const std::size_t piece : {1, 7, 8, 9, 15, 17, 1000, 65536})
            QTest::newRow(qPrintable(QString::number(piece))) << piece;
    }

    void piecesGiveTheSameResult()
    {
        QFETCH(std::size_t, piece);
        std::mt19937_64 generator(piece);
        // Mostly text with a random stretch, so that both histograms are lopsided and a lost
        // or extra count changes the result.
        Bytes bytes = fromText(SourceCode);
        const Bytes noise = uniformBytes(generator, 3000, 0, 255);
        bytes.insert(bytes.end(), noise.begin(), noise.end());

        Randomness::Accumulator accumulator;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            accumulator.add(bytes.data() + at, std::min(piece, bytes.size() - at));
        QCOMPARE(accumulator.byteCount(), bytes.size());
        QCOMPARE(accumulator.differenceCount(), bytes.size() - 1);
        QCOMPARE(accumulator.result(), Randomness::measure(bytes.data(), bytes.size()));
    }

    void startBlockSeparatesDifferences()
    {
        // Two counting runs that do not continue each other: within each block every difference
        // is 1, so only a difference taken across the gap could raise the result above 0.
        const Bytes first = pattern(300, 0, 1);
        const Bytes second = pattern(300, 100, 1);
        Randomness::Accumulator accumulator;
        accumulator.startBlock();
        accumulator.add(first.data(), first.size());
        accumulator.startBlock();
        accumulator.add(second.data(), second.size());
        QCOMPARE(accumulator.differenceCount(), std::uint64_t{598});
        QCOMPARE(accumulator.result(), 0.0);

        accumulator.reset();
        QCOMPARE(accumulator.byteCount(), std::uint64_t{0});
        QCOMPARE(accumulator.result(), 0.0);
    }

    void tooShortInputs()
    {
        const std::uint8_t bytes[2] = {0x12, 0xef};
        QCOMPARE(Randomness::measure(bytes, 0), 0.0);
        QCOMPARE(Randomness::measure(bytes, 1), 0.0);
        QCOMPARE(FileRandomness::randomness_measure(bytes, 0, 64), 0.0);
        QCOMPARE(FileRandomness::randomness_measure(bytes, -5, 64), 0.0);
        QCOMPARE(FileRandomness::randomness_measure(nullptr, 64, 64), 0.0);
        // The claimed length never leads past the buffer.
        QCOMPARE(FileRandomness::randomness_measure(bytes, 64, 2), Randomness::measure(bytes, 2));
    }
};

QTEST_GUILESS_MAIN(tst_randomnessmeasure)
#include "tst_randomnessmeasure.moc"
