#include "OutputName.h"

namespace {

struct Parts
{
    QString name;
    QString extension;
    qsizetype dot = -1; // index of the last dot, -1 without one
};

Parts SplitAtLastDot(const QString& text)
{
    const qsizetype dot = text.lastIndexOf(u'.');
    if (dot < 0)
        return {text, QString(), dot};
    return {text.left(dot), text.mid(dot + 1), dot};
}

} // namespace

// Blanks at either end belong to a Linux name: " lead.txt" and "lead.txt" are two files, so
// neither the name nor the specification is trimmed.
QString DeriveOutputName(const QString& input, const QString& spec, int& code)
{
    if (input.isEmpty())
        code = OutputNameNoInput;
    else if (spec.isEmpty())
        code = OutputNameNoSpec;
    else
        code = OutputNameDerived;
    if (code < 0)
        return {};

    const Parts templates = SplitAtLastDot(spec);
    const Parts source = SplitAtLastDot(input);
    // A specification starting with its dot produces no name part; one ending with it, no
    // extension part.
    const bool hasDot = templates.dot >= 0;
    const bool nameProduced = !hasDot || templates.dot > 0;
    const bool extensionProduced = hasDot && templates.dot < spec.size() - 1;

    QString result;
    if (nameProduced)
        result = SubstituteWildcards(source.name, templates.name);
    if (hasDot)
        result += u'.';
    if (extensionProduced)
        result += SubstituteWildcards(source.extension, templates.extension);
    if (result.endsWith(u'.'))
        result.chop(1);

    if (result.isEmpty())
        code = OutputNameEmpty;
    else if (result == input)
        code = OutputNameSameAsInput;
    return result;
}

// One pass over the template: at any point, the characters already resolved are exactly the
// ones before the current template character, so its position is the length of the output so
// far. A "?" taken from the part is never looked at again, whatever it copies.
QString SubstituteWildcards(const QString& part, const QString& templatePart)
{
    QString result;
    for (const QChar t : templatePart) {
        if (t == u'*')
            return result + part.mid(result.size());
        if (t != u'?')
            result += t;
        else if (part.size() > result.size())
            result += part[result.size()];
    }
    return result;
}
