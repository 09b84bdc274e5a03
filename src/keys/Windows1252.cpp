#include "Windows1252.h"

#include <array>

namespace Windows1252 {

namespace {

// Codes 0x80..0x9F; the five codes Windows-1252 leaves unassigned keep their C1 points.
constexpr std::array<char16_t, 32> HighCodes = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The code of one character, or -1.
int Encode(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (std::size_t i = 0; i < HighCodes.size(); ++i) {
        if (HighCodes[i] == u)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

QChar Decode(unsigned char code)
{
    return code >= 0x80 && code <= 0x9F ? QChar(HighCodes[code - 0x80]) : QChar(code);
}

} // namespace

bool CanEncode(const QString& text)
{
    for (QChar c : text) {
        if (Encode(c) < 0)
            return false;
    }
    return true;
}

QByteArray FromUnicode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const int code = Encode(c);
        bytes.append(code < 0 ? '?' : static_cast<char>(code));
    }
    return bytes;
}

QString ToUnicode(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes)
        text.append(Decode(static_cast<unsigned char>(b)));
    return text;
}

unsigned char ToUpper(unsigned char code)
{
    const QChar upper = Decode(code).toUpper();
    const int encoded = Encode(upper);
    return encoded < 0 ? code : static_cast<unsigned char>(encoded);
}

} // namespace Windows1252
