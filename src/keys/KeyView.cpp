#include "KeyView.h"

#include "Windows1252.h"
#include "support/FileRandomness.h"

#include <QLocale>

#include <algorithm>

namespace KeyView {

namespace {

constexpr char CarriageReturn = '\r';
constexpr char LineFeed = '\n';
constexpr int KeyBytes = 64;

template <typename CellText>
Rows CellRows(const QByteArray& keyBytes, bool textKey, CellText cellText)
{
    Rows rows;
    const qsizetype shown = std::min<qsizetype>(keyBytes.size(), RowCount * BytesPerRow);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto code = static_cast<unsigned char>(keyBytes[i]);
        rows[i / BytesPerRow] += textKey && code == 0 ? QStringLiteral("    ") : cellText(code);
    }
    return rows;
}

} // namespace

Rows AsciiRows(const QByteArray& keyBytes)
{
    Rows rows;
    int row = 0;
    for (qsizetype i = 0; i < keyBytes.size() && row < RowCount; ++i) {
        const char byte = keyBytes[i];
        if (byte == '\0')
            continue;
        if (byte == CarriageReturn || byte == LineFeed) {
            if (byte == CarriageReturn && i + 1 < keyBytes.size() && keyBytes[i + 1] == LineFeed)
                ++i;
            ++row;
            continue;
        }
        rows[row] += Windows1252::ToUnicode(QByteArray(1, byte));
    }
    return rows;
}

Rows DecimalRows(const QByteArray& keyBytes, bool textKey)
{
    return CellRows(keyBytes, textKey, [](unsigned char code) {
        return QStringLiteral("%1 ").arg(code, 3, 10, QLatin1Char(' '));
    });
}

Rows HexadecimalRows(const QByteArray& keyBytes, bool textKey)
{
    return CellRows(keyBytes, textKey, [](unsigned char code) {
        return QStringLiteral(" %1 ").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    });
}

QString RandomnessText(const QByteArray& keyBytes)
{
    const int length = static_cast<int>(std::min<qsizetype>(keyBytes.size(), KeyBytes));
    const double measure = FileRandomness::randomness_measure(
        reinterpret_cast<const std::uint8_t*>(keyBytes.constData()), length, KeyBytes);
    return QStringLiteral("Randomness is ") + QLocale().toString(measure, 'f', 3) +
           QLatin1Char('.');
}

} // namespace KeyView
