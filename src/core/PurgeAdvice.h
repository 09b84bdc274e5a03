#pragma once

#include <QString>

// The advice given before a watched plaintext (a document or a program file) is purged after
// its encryption: antivirus software may complain about the overwriting. The windows show
// two small modal dialogs; other front ends give no advice.
class PurgeAdviceDialogs
{
public:
    enum class Antivirus { Yes, No, DontKnow };

    virtual ~PurgeAdviceDialogs() = default;

    // "Is ... antivirus software currently active on this PC?"
    virtual Antivirus AskAntivirus() = 0;

    // Shows PurgeAdviceText for `path`; true when the user ticked "Don't display this advice
    // again during this operation.".
    virtual bool ShowPurgeAdvice(const QString& path) = 0;
};

namespace PurgeAdvice {

QString AntivirusQuestion();
QString DontShowAgainCaption();

// The advice about the file at `path`, which has just been encrypted.
QString PurgeAdviceText(const QString& path);

// True for the three-letter extensions of documents and programs that antivirus software
// watches (XL?, OV?, XLS, DOC, EXE, ...), upper or lower case; `path` may be a whole path.
bool IsWatchedExtension(const QString& path);

} // namespace PurgeAdvice
