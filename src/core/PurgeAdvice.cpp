#include "PurgeAdvice.h"

#include <QStringList>

namespace PurgeAdvice {

QString AntivirusQuestion()
{
    return QStringLiteral("Is Norton AntiVirus Auto-Protect, or some other antivirus software, "
                          "currently active on this PC?");
}

QString DontShowAgainCaption()
{
    return QStringLiteral("Don't display this advice again during this operation.");
}

QString PurgeAdviceText(const QString& path)
{
    return QStringLiteral("The file ") + path + QStringLiteral(" has been ") +
           QStringLiteral("encrypted") + QStringLiteral(".") + QStringLiteral("\n\n") +
           QStringLiteral("The file in its original form will now be purged "
                          "(overwritten and deleted).  If Norton AntiVirus Auto-Protect (or a "
                          "similar utility) is active then it may produce a warning message "
                          "(once for each plaintext file which is purged).  If so, do not stop "
                          "the operation but rather allow it to continue.") +
           QStringLiteral("\n\n") +
           QStringLiteral("It is better to disable your antivirus software either before "
                          "running Revarodevaza ZR7 or during a run (like now).") +
           QStringLiteral("\n\n");
}

bool IsWatchedExtension(const QString& path)
{
    static const QStringList Watched = {
        QStringLiteral("XLS"), QStringLiteral("SHS"), QStringLiteral("RTF"), QStringLiteral("PPT"),
        QStringLiteral("MSO"), QStringLiteral("MDB"), QStringLiteral("DOT"), QStringLiteral("CPL"),
        QStringLiteral("CLA"), QStringLiteral("CBT"), QStringLiteral("ADT"), QStringLiteral("BAT"),
        QStringLiteral("INI"), QStringLiteral("SYS"), QStringLiteral("SCR"), QStringLiteral("EXE"),
        QStringLiteral("DRV"), QStringLiteral("DOC"), QStringLiteral("DLL"), QStringLiteral("COM"),
        QStringLiteral("BIN"), QStringLiteral("386")};
    // The extension is what follows the last dot of the whole path.
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = path.mid(dot + 1).toUpper();
    if (extension.size() != 3)
        return false;
    return extension.startsWith(QLatin1String("XL")) || extension.startsWith(QLatin1String("OV")) ||
           Watched.contains(extension);
}

} // namespace PurgeAdvice
