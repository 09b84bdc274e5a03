#pragma once

#include <QByteArray>
#include <QString>

// What the inspection window shows and how it was reached.
struct KeyInspection
{
    QByteArray keyBytes; // the bytes shown (up to 64)
    bool blnKeyRandom = false;
    bool blnKeyText = false;
    bool blnNewKeyfile = false; // a new random key about to be written to a new keyfile
    QString classification;     // the classification line, e.g. "Text key from file"
    QString keyfileLine;        // the keyfile's display path (already shortened), or ""
};

// The windows that the key acquisition opens. The gui implements them with modal dialogs
// placed over the main window; tests answer them from a script.
class KeyDialogs
{
public:
    enum class Outcome { Yes, No, Cancel };

    virtual ~KeyDialogs() = default;

    // "Type key (with display)" with `prompt`; the typed text in `typed`.
    virtual Outcome TypeKeyWithDisplay(const QString& prompt, QString& typed) = 0;

    // "Type key (without display)": the key typed twice; the dialog itself offers the
    // inspection ("Key specified" / "Inspect the key?") and answers No when the user declined
    // the inspected key. The trimmed text of the first box in `typed`.
    virtual Outcome TypeKeyWithoutDisplay(const QString& prompt, QString& typed) = 0;

    // A file-open dialog with `title` showing all files; "" when cancelled.
    virtual QString ChooseKeyfile(const QString& title) = 0;

    // "Create random key": the collected key bytes (64 unless the window was closed early).
    virtual QByteArray CollectRandomKey() = 0;

    // "Inspect the key": true when the user chose to use the key.
    virtual bool InspectKey(const KeyInspection& inspection) = 0;
};
