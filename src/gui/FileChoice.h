#pragma once

#include <QCoreApplication>
#include <QString>

// What the user picked in the input or output file dialog.
enum class Choice { SingleFile, AllFiles, NewFile, Extension, FileSpec };

struct FileChoiceResult
{
    bool blnAccept = false;
    Choice choice = Choice::AllFiles;
    // The file chosen from the list, the new file's name, the bare extension or the trimmed
    // specification, by `choice`; "" for all files.
    QString text;
};

namespace FileChoice {

// An extension as typed, trimmed and without a leading "*." (or else one leading "."). False
// when what is left still holds a dot, which no extension may.
inline bool BareExtension(const QString& typed, QString& extension)
{
    extension = typed.trimmed();
    if (extension.startsWith(QStringLiteral("*.")))
        extension.remove(0, 2);
    else if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    return !extension.contains(QLatin1Char('.'));
}

inline QString DotInExtensionText()
{
    return QCoreApplication::translate("FileChoice", "Extension must not contain \".\".");
}

} // namespace FileChoice
