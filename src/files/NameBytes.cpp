#include "NameBytes.h"

#include <QCollator>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <numeric>
#include <vector>

namespace NameBytes {

namespace {

// The length of the valid UTF-8 sequence that starts at `p`, or 0 when none does there: a
// stray continuation byte, a cut sequence, an overlong form, a surrogate or a code point past
// U+10FFFF.
int SequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t codePoint = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    if (codePoint < smallest || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

// Qt drops a byte order mark at the start of a name when it makes text of it, and that text
// would then name another file: a name that starts with one is not taken as text either.
constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

// Calls `text(first, length)` for every run of valid UTF-8 and `byte(value)` for every byte
// outside one, in order.
template <typename Text, typename Byte> void Scan(const QByteArray& name, Text text, Byte byte)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(name.constData());
    const auto* end = begin + name.size();
    const unsigned char* p = begin;
    if (name.startsWith(ByteOrderMark)) {
        for (; p < begin + sizeof ByteOrderMark - 1; ++p)
            byte(*p);
    }
    const unsigned char* run = p;
    while (p < end) {
        const int length = SequenceLength(p, end);
        if (length > 0) {
            p += length;
            continue;
        }
        if (p > run)
            text(reinterpret_cast<const char*>(run), p - run);
        byte(*p);
        run = ++p;
    }
    if (end > run)
        text(reinterpret_cast<const char*>(run), end - run);
}

QString HexByte(unsigned value)
{
    return QStringLiteral("\\x") + QString::number(value, 16).rightJustified(2, u'0').toUpper();
}

QLocale CollationLocale()
{
    const QLocale system = QLocale::system();
    // The "C" locale compares code units and knows no numeric mode.
    return system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                           : system;
}

} // namespace

bool IsReadable(const QByteArray& name)
{
    bool readable = true;
    Scan(
        name, [](const char*, qsizetype) {}, [&readable](unsigned char) { readable = false; });
    return readable;
}

QString Escaped(const QByteArray& name)
{
    QString shown;
    Scan(
        name,
        [&shown](const char* text, qsizetype length) {
            // A mark at the start of a run, after an escaped byte, is shown, not dropped.
            QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            shown += Shown(QString(decode(QByteArrayView(text, length))));
        },
        [&shown](unsigned char value) { shown += HexByte(value); });
    return shown;
}

QString Shown(const QString& name)
{
    const auto control = [](char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); };
    if (std::none_of(name.begin(), name.end(), [&](QChar c) { return control(c.unicode()); }))
        return name;
    QString shown;
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (!control(code))
            shown += c;
        else if (code < 0x80)
            shown += HexByte(code);
        else // C1 controls are two bytes in UTF-8
            shown += HexByte(0xC0 | (code >> 6)) + HexByte(0x80 | (code & 0x3F));
    }
    return shown;
}

void SortForPeople(QStringList& names)
{
    if (names.size() < 2)
        return;
    QCollator collator(CollationLocale());
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One key per name: comparing keys is a memory comparison, where comparing the names
    // themselves would collate each of them again for every comparison it takes part in.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(names.size()));
    for (const QString& name : std::as_const(names))
        keys.push_back(collator.sortKey(name));
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int byKey = keys[size_t(a)].compare(keys[size_t(b)]);
        return byKey != 0 ? byKey < 0 : names[a] < names[b];
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const qsizetype index : order)
        sorted.append(names[index]);
    names = std::move(sorted);
}

} // namespace NameBytes
