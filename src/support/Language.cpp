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
    switch (result) {
    case 0:
        return QStringLiteral("No program text was read.");
    case -1:
        return QStringLiteral("Cannot open file containing program text.") + QLatin1Char('\n') +
               path;
    case -2:
        return QStringLiteral("Particular memory allocation error.");
    case -3:
        return QStringLiteral("Too much program text.");
    case -4:
        return QStringLiteral("Text not recovered.");
    case -6:
        return QStringLiteral("File is empty.");
    case -7:
        return QStringLiteral("Error reading file.");
    case -8:
        return QStringLiteral("General memory allocation error.");
    }
    if (result <= -1001 && result >= -1500)
        return QStringLiteral("String too long at line %1.").arg(-(result + 1000));
    if (result <= -501 && result >= -1000)
        return QStringLiteral("Missing string at line %1.").arg(-(result + 500));
    if (result < -1500)
        return QStringLiteral("Duplicate in program text at line %1.").arg(-(result + 1500));
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
