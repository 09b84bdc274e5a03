// Matches and derives names from arbitrary bytes: the bytes before the first NUL are a file
// name as the file system gives it, the bytes after it an output or input file specification.
#include "FuzzSupport.h"
#include "files/NameBytes.h"
#include "files/OutputName.h"
#include "files/StrProc.h"

#include <QFile>

namespace {

void CheckNameBytes(const QByteArray& name)
{
    const bool readable = NameBytes::IsReadable(name);
    // Readable means that the text Qt makes of the name leads back to the same file.
    const QString text = QFile::decodeName(name);
    FUZZ_CHECK(readable == (QFile::encodeName(text) == name));
    const QString shown = NameBytes::Escaped(name);
    // Control characters are escaped as well, readable or not.
    FUZZ_CHECK(readable ? shown == NameBytes::Shown(text) : shown.contains(QStringLiteral("\\x")));
}

void CheckMatching(const QString& name, const QString& spec)
{
    StrProc::FileNameMatchesSpec(name, spec);
    StrProc::WildcardMatch(name, spec);
    FUZZ_CHECK(StrProc::FileNameMatchesSpec(name, QStringLiteral("*.*")));
    FUZZ_CHECK(StrProc::WildcardMatch(name, QStringLiteral("*")));
    if (!StrProc::HasWildcards(name) && StrProc::TrimBlanks(name) == name)
        FUZZ_CHECK(StrProc::FileNameMatchesSpec(name, name));
}

void CheckDerivation(const QString& name, const QString& spec)
{
    int code = 0;
    const QString derived = DeriveOutputName(name, spec, code);
    FUZZ_CHECK(code == OutputNameDerived || code == OutputNameSameAsInput ||
               code == OutputNameNoInput || code == OutputNameNoSpec || code == OutputNameEmpty);
    FUZZ_CHECK(derived.isEmpty() == (code < 0));
    const QString& input = name; // names are kept as they are, blanks included
    if (code >= 0)
        FUZZ_CHECK((code == OutputNameSameAsInput) == (derived == input));
    // A specification without wildcards names its output itself (a trailing dot dropped).
    QString literal = spec;
    if (!input.isEmpty() && !literal.isEmpty() && !StrProc::HasWildcards(literal)) {
        if (literal.endsWith(u'.'))
            literal.chop(1);
        FUZZ_CHECK(derived == literal);
    }
    // "*.*" keeps every name that does not end in a dot.
    if (!input.isEmpty() && !input.endsWith(u'.')) {
        FUZZ_CHECK(DeriveOutputName(name, QStringLiteral("*.*"), code) == input);
        FUZZ_CHECK(code == OutputNameSameAsInput);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QByteArray name = split < 0 ? bytes : bytes.left(split);
    const QString spec = split < 0 ? QString() : QString::fromUtf8(bytes.mid(split + 1));

    CheckNameBytes(name);
    const QString text = QFile::decodeName(name);
    CheckMatching(text, spec);
    CheckDerivation(text, spec);
    return 0;
}
