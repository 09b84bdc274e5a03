#include "Language.h"

#include "ProgramTextTable.h"

#include <QFile>

namespace Language {

namespace {
constexpr int CurrentLanguage = 0;
}

int Load(const QString& path)
{
    return ProgramTextTable::lt(QFile::encodeName(path).toStdString(), CurrentLanguage);
}

QString LoadFailureMessage(int result, const QString& path)
{
    using namespace ProgramTextTable;
    switch (result) {
    case NothingRead:
        return QStringLiteral("No program text was read.");
    case CannotOpen:
        return QStringLiteral("Cannot open file containing program text.") + QLatin1Char('\n') +
               path;
    case TooMuchText:
        return QStringLiteral("Too much program text.");
    case NotRecovered:
        return QStringLiteral("Text not recovered.");
    case FileEmpty:
        return QStringLiteral("File is empty.");
    case ReadError:
        return QStringLiteral("Error reading file.");
    case OutOfMemory:
        return QStringLiteral("General memory allocation error.");
    }
    // The line-numbered results lie below their base: base - line.
    if (result < DuplicateBase)
        return QStringLiteral("Duplicate in program text at line %1.").arg(DuplicateBase - result);
    if (result < StringTooLongBase)
        return QStringLiteral("String too long at line %1.").arg(StringTooLongBase - result);
    if (result < MissingStringBase)
        return QStringLiteral("Missing string at line %1.").arg(MissingStringBase - result);
    return QStringLiteral("Error %1").arg(result);
}

QString Text(int number)
{
    std::string text;
    if (ProgramTextTable::gt(number, CurrentLanguage, text) < 1 || text == "~")
        return {};
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace Language
