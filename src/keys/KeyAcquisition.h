#pragma once

#include "KeyDialogs.h"
#include "SecretBytes.h"

#include <QString>

class Interaction;
struct KeyRecord;

// Obtains the key in force from the keyboard or a keyfile, with every question on the way, and
// builds the key line that describes it. Each acquisition leaves blnKeyChoiceCancelled set
// when the user backed out before anything changed.
class KeyAcquisition
{
public:
    KeyAcquisition(KeyRecord& key, Interaction& interaction, KeyDialogs& dialogs)
        : m_key(key), m_interaction(interaction), m_dialogs(dialogs)
    {
    }

    void KeyFromKeyboardWithDisplay(bool blnEncrypt);
    void KeyFromKeyboardWithoutDisplay(bool blnEncrypt);
    // index 0: an existing keyfile; 1: a new random keyfile.
    void KeyFromKeyfile(int index, bool blnEncrypt);

private:
    void TypedOutcome(KeyDialogs::Outcome outcome, QString& typed);
    bool AcceptRandomKey();
    bool ConfirmKeyfile(const QString& path, bool& newKeyfile, int index);
    void AcceptKeyfile(const QString& path, bool newKeyfile);
    void KeyfileError(const QString& description);
    void SetKey(SecretBytes key);

    KeyRecord& m_key;
    Interaction& m_interaction;
    KeyDialogs& m_dialogs;
};

// The key line: `savedCaption` after a cancelled choice, otherwise the key in force. A key
// that claims a source but holds nothing is reported and dropped.
QString ShowKeySource(KeyRecord& key, Interaction& interaction, const QString& savedCaption,
                      const QString& specifiedWord, const QString& notSpecifiedWord);
