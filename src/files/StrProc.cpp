#include "StrProc.h"

#include <array>
#include <bitset>
#include <iterator>

namespace StrProc {

namespace {

// The folding table: the character at position k of the upper row folds to the one at
// position k of the lower row. The lower row's final "ß" has no partner and is never produced.
constexpr char16_t UpperRow[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZŠŒŸÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ";
constexpr char16_t LowerRow[] = u"abcdefghijklmnopqrstuvwxyzšœÿàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþß";

// A text holding one of these letters is folded through the table instead of the ordinary
// lower-casing.
constexpr char16_t AccentedLetters[] =
    u"ŠŸÀÁÂÃÄÅÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝšÿàáâãäåçèéêëìíîïñòóôõöøùúûüý";

// A source read in another encoding would shift the rows against each other.
static_assert(std::size(UpperRow) == 59 + 1 && std::size(LowerRow) == 60 + 1);
static_assert(std::size(AccentedLetters) == 59 + 1);

// Every letter of both tables lies below this code, so both are looked up by index.
constexpr char16_t TableEnd = 0x180;

struct Folding
{
    std::array<char16_t, TableEnd> fold{};
    std::bitset<TableEnd> accented;

    Folding()
    {
        for (char16_t c = 0; c < TableEnd; ++c)
            fold[c] = c;
        for (std::size_t k = 0; UpperRow[k] != 0; ++k)
            fold[UpperRow[k]] = LowerRow[k];
        for (std::size_t k = 0; AccentedLetters[k] != 0; ++k)
            accented.set(AccentedLetters[k]);
    }
};

const Folding& Table()
{
    static const Folding table;
    return table;
}

bool HasAccentedLetter(const QString& text)
{
    const Folding& table = Table();
    for (const QChar c : text) {
        if (c.unicode() < TableEnd && table.accented.test(c.unicode()))
            return true;
    }
    return false;
}

// "*" and "?" are deleted from the pattern's rest; the first remaining character, or none.
QChar NextLiteral(const QString& pattern, qsizetype from)
{
    for (qsizetype k = from; k < pattern.size(); ++k) {
        if (pattern[k] != u'*' && pattern[k] != u'?')
            return pattern[k];
    }
    return QChar();
}

// The walk of WildcardMatch over two non-empty, already folded texts.
bool MatchFolded(const QString& name, const QString& pattern)
{
    qsizetype i = 0;
    for (qsizetype j = 0;; ++j) {
        if (j == pattern.size())
            return i == name.size();
        const QChar p = pattern[j];
        if (p == u'*') {
            const QChar c = NextLiteral(pattern, j);
            if (c.isNull())
                return true; // trailing "*" and "?" take any rest, also an empty one
            while (i < name.size() && name[i] != c)
                ++i;
            if (i == name.size())
                return false;
            continue; // i stays on the found character for the pattern's next one
        }
        if (i == name.size() || (p != u'?' && name[i] != p))
            return false;
        ++i;
    }
}

} // namespace

QString LowerCaseText(const QString& text)
{
    if (!HasAccentedLetter(text))
        return text.toLower();
    const Folding& table = Table();
    QString folded = text;
    for (QChar& c : folded) {
        if (c.unicode() < TableEnd)
            c = QChar(table.fold[c.unicode()]);
    }
    return folded;
}

QString LeftPart(const QString& text, int n)
{
    return n <= 0 ? QString() : text.left(n);
}

void RemoveTrailing(QString& text, const QString& suffix)
{
    if (suffix.isEmpty())
        return;
    while (text.endsWith(suffix))
        text.chop(suffix.size());
}

void EnsureTrailingBackslash(QString& path)
{
    if (path.isEmpty())
        return;
    RemoveTrailing(path, QStringLiteral("/"));
    path += u'/';
}

void RemoveCharacters(QString& text, const QString& characters)
{
    text.removeIf([&characters](QChar c) { return characters.contains(c); });
}

QString TrimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == u' ')
        ++first;
    while (end > first && text[end - 1] == u' ')
        --end;
    return text.mid(first, end - first);
}

bool HasWildcards(const QString& text)
{
    return text.contains(u'?') || text.contains(u'*');
}

QString FolderPart(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString FileNamePart(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.mid(slash + 1);
}

QString ExtensionPart(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

QString PathCase(const QString& path)
{
    return path;
}

QString ShortenText(const QString& text, int n)
{
    if (text.size() <= n || n < 10)
        return text;
    QString tail = text.right(n - 6);
    const qsizetype blank = tail.indexOf(u' ');
    if (blank >= 0)
        tail.remove(0, blank + 1);
    return text.left(3) + QStringLiteral("...") + tail;
}

// A specification's name and extension parts are matched separately, each split at the last
// dot. A specification without a dot selects names without one; a specification whose
// extension part is "*" alone (or empty) also selects names without an extension.
bool FileNameMatchesSpec(const QString& fileName, const QString& fileSpec)
{
    const QString spec = TrimBlanks(fileSpec);
    if (spec.isEmpty())
        return true;
    const qsizetype nameDot = fileName.lastIndexOf(u'.');
    const qsizetype specDot = spec.lastIndexOf(u'.');
    if (specDot < 0)
        return nameDot < 0 && WildcardMatch(fileName, spec);
    if (nameDot < 0) {
        const QString specExtension = spec.mid(specDot + 1);
        if (specExtension.count(u'*') != specExtension.size())
            return false;
        return WildcardMatch(fileName, spec.left(specDot));
    }
    return WildcardMatch(fileName.left(nameDot), spec.left(specDot)) &&
           WildcardMatch(fileName.mid(nameDot + 1), spec.mid(specDot + 1));
}

bool WildcardMatch(const QString& namePart, const QString& patternPart)
{
    const QString name = LowerCaseText(namePart);
    const QString pattern = LowerCaseText(patternPart);
    if (name == pattern)
        return true;
    if (name.isEmpty())
        return pattern.count(u'*') == pattern.size();
    if (pattern.isEmpty())
        return true;
    return MatchFolded(name, pattern);
}

} // namespace StrProc
