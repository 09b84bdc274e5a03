#include "KeyAcquisition.h"

#include "KeyRecord.h"
#include "Windows1252.h"
#include "ZR7KeyFrom.h"
#include "files/StrProc.h"
#include "support/Interaction.h"
#include "support/TxtEncDec.h"

#include <QFileInfo>

using namespace ZR7KeyFrom;

namespace {

QString KeyPrompt(bool blnEncrypt, const QString& rest)
{
    return QStringLiteral("Enter the ") + TxtEncDec(QStringLiteral("encryption"), blnEncrypt) +
           QStringLiteral(" key") + rest;
}

} // namespace

void KeyAcquisition::SetKey(SecretBytes key)
{
    m_key.strKey = std::move(key); // the old key is wiped as it goes
}

// Takes the typed key into the record and wipes the typed text.
void KeyAcquisition::TypedOutcome(KeyDialogs::Outcome outcome, QString& typed)
{
    m_key.blnKeyChoiceCancelled = outcome == KeyDialogs::Outcome::Cancel;
    if (outcome == KeyDialogs::Outcome::Yes) {
        SetKey(NormalizedKey(typed));
        QByteArray raw = Windows1252::FromUnicode(typed);
        m_key.strRawKeyText = raw;
        raw.fill('\0'); // its own buffer, made by FromUnicode
        m_key.intKeySource = KeyRecord::Keyboard;
        m_key.blnKeyText = true;
        m_key.blnKeyRandom = false;
        m_key.blnNewKeyfile = false;
        m_key.intKeyChecksum = KeyChecksum(m_key.strKey.view(), m_key.strKeyDigest);
    } else if (outcome == KeyDialogs::Outcome::No) {
        SetKey({});
        m_key.intKeySource = KeyRecord::NotSpecified;
    }
    typed.fill(QChar(0));
}

void KeyAcquisition::KeyFromKeyboardWithDisplay(bool blnEncrypt)
{
    QString typed;
    const auto outcome = m_dialogs.TypeKeyWithDisplay(
        KeyPrompt(blnEncrypt,
                  QStringLiteral(" (16-64 characters, spaces ignored, case not significant):")),
        typed);
    TypedOutcome(outcome, typed);
}

void KeyAcquisition::KeyFromKeyboardWithoutDisplay(bool blnEncrypt)
{
    QString typed;
    const auto outcome = m_dialogs.TypeKeyWithoutDisplay(
        KeyPrompt(blnEncrypt,
                  QStringLiteral(", 16-64 non-space characters (which will not be displayed):")),
        typed);
    TypedOutcome(outcome, typed);
}

// Steps that may still back out: the file's existence questions. False when cancelled.
bool KeyAcquisition::ConfirmKeyfile(const QString& path, bool& newKeyfile, int index)
{
    const bool exists = QFileInfo::exists(path);
    newKeyfile = index == 1;
    if (index == 0 && !exists) {
        if (m_interaction.Ask(QStringLiteral("Keyfile does not exist."),
                              QStringLiteral("Do you wish to create ") + path +
                                  QStringLiteral(" as a new random keyfile?"),
                              Interaction::Yes | Interaction::No,
                              Interaction::No) != Interaction::Yes)
            return false;
        newKeyfile = true;
    } else if (index == 1 && exists) {
        if (m_interaction.Ask(QStringLiteral("File exists already."),
                              QStringLiteral("Overwrite existing file ") + path + QLatin1Char('?'),
                              Interaction::Yes | Interaction::No,
                              Interaction::No) != Interaction::Yes)
            return false;
    }
    return true;
}

// Shows the random key window until its key passes the checks; false when the user gives up.
bool KeyAcquisition::AcceptRandomKey()
{
    for (;;) {
        QByteArray collected = m_dialogs.CollectRandomKey();
        m_key.strKeyBytes = collected;
        collected.fill('\0');
        const QByteArrayView bytes = m_key.strKeyBytes.view();
        if (KeyHasMinLength(bytes) && !KeyIsText(bytes) && KeyIsRandom(bytes)) {
            m_key.blnKeyRandom = true;
            m_key.blnKeyText = false;
            return true;
        }
        if (m_interaction.Ask(QStringLiteral("Key not sufficiently random"),
                              QStringLiteral("Attempt at creating random key unsuccessful.  "
                                             "Please repeat."),
                              Interaction::Retry | Interaction::Cancel,
                              Interaction::Retry) != Interaction::Retry) {
            m_key.intKeySource = KeyRecord::NotSpecified;
            return false;
        }
    }
}

void KeyAcquisition::KeyfileError(const QString& description)
{
    m_interaction.Tell(QStringLiteral("Keyfile error"), description, Interaction::Icon::Critical);
    m_key.intKeySource = KeyRecord::NotSpecified;
}

void KeyAcquisition::KeyFromKeyfile(int index, bool blnEncrypt)
{
    m_key.blnNewKeyfile = false;
    m_key.strKeyBytes = SecretBytes(MaxKeyLength);
    const QString title = index == 1 ? QStringLiteral("Specify new keyfile")
                                     : QStringLiteral("Get ") +
                                           TxtEncDec(QStringLiteral("encryption"), blnEncrypt) +
                                           QStringLiteral(" key from keyfile");
    // The path as chosen is used both to show and to open: a lower-cased display form would
    // name another file on a case-sensitive file system.
    const QString path = StrProc::PathCase(m_dialogs.ChooseKeyfile(title));
    bool newKeyfile = false;
    m_key.blnKeyChoiceCancelled = path.isEmpty() || !ConfirmKeyfile(path, newKeyfile, index);
    if (m_key.blnKeyChoiceCancelled)
        return;

    if (newKeyfile) {
        if (!AcceptRandomKey())
            return;
    } else {
        QString error;
        switch (ReadKeyfile(path, m_key.strKeyBytes, error)) {
        case KeyfileStatus::Error:
            return KeyfileError(error);
        case KeyfileStatus::Unsuitable:
            m_interaction.Tell(QStringLiteral("Unsuitable keyfile"),
                               path + QStringLiteral(" is not a suitable keyfile."),
                               Interaction::Icon::None);
            m_key.intKeySource = KeyRecord::NotSpecified;
            return;
        case KeyfileStatus::Ok:
            break;
        }
        m_key.blnKeyText = KeyIsText(m_key.strKeyBytes.view());
        m_key.blnKeyRandom = !m_key.blnKeyText && KeyIsRandom(m_key.strKeyBytes.view());
    }
    AcceptKeyfile(path, newKeyfile);
}

void KeyAcquisition::AcceptKeyfile(const QString& path, bool newKeyfile)
{
    if (m_interaction.Ask(StrProc::ShortenText(path, 60), QStringLiteral("Inspect the key?"),
                          Interaction::Yes | Interaction::No,
                          Interaction::No) == Interaction::Yes) {
        KeyInspection inspection;
        inspection.keyBytes = m_key.strKeyBytes.view().toByteArray();
        inspection.blnKeyRandom = m_key.blnKeyRandom;
        inspection.blnKeyText = m_key.blnKeyText;
        inspection.blnNewKeyfile = newKeyfile;
        inspection.classification = newKeyfile ? QStringLiteral("New random key in file")
                                    : m_key.blnKeyRandom && m_key.strKeyBytes.size() == MaxKeyLength
                                        ? QStringLiteral("Apparently random key from file")
                                    : m_key.blnKeyText
                                        ? QStringLiteral("Text key from file")
                                        : QStringLiteral("Non-random non-text key from file");
        inspection.keyfileLine = path.size() > 65 ? StrProc::ShortenText(path, 66) : path;
        const bool use = m_dialogs.InspectKey(inspection);
        inspection.keyBytes.fill('\0');
        if (!use) {
            m_key.intKeySource = KeyRecord::NotSpecified;
            return;
        }
    }
    if (newKeyfile) {
        QString error;
        if (!WriteKeyfile(path, m_key.strKeyBytes.view(), error))
            return KeyfileError(error);
        m_key.blnNewKeyfile = true;
    }
    SetKey(NormalizedKey(m_key.strKeyBytes.view()));
    m_key.strRawKeyText = m_key.strKeyBytes.copy();
    m_key.intKeyChecksum = KeyChecksum(m_key.strKey.view(), m_key.strKeyDigest);
    m_key.strKeyfilePath = path;
    m_key.intKeySource = KeyRecord::Keyfile;
}

QString ShowKeySource(KeyRecord& key, Interaction& interaction, const QString& savedCaption,
                      const QString& specifiedWord, const QString& notSpecifiedWord)
{
    if (key.blnKeyChoiceCancelled)
        return savedCaption;
    if (key.intKeySource != KeyRecord::NotSpecified && key.strKey.isEmpty()) {
        interaction.Tell(QStringLiteral("Error"), QStringLiteral("Error processing key!"),
                         Interaction::Icon::Critical);
        key.intKeySource = KeyRecord::NotSpecified;
    }
    return KeyLine(key, specifiedWord, notSpecifiedWord);
}
