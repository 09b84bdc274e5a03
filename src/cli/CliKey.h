#pragma once

#include "keys/SecretBytes.h"

#include <QString>
#include <QStringList>

// Where the command line takes its key from: --key-file FILE, --key-stdin (the first line of
// standard input), or a prompt on the terminal without echo. A key is never an argument.
class CliKey
{
public:
    // Takes the key options out of `args`; false with `error` set when they are malformed.
    bool ParseOptions(QStringList& args, QString& error);

    // Standard input carries the data: --key-stdin is refused, and a typed key is asked for
    // on the controlling terminal (/dev/tty). Before ParseOptions.
    void SetDataOnStdin() { m_dataOnStdin = true; }

    // Reads the key; the normalised key in `key`, or false with a message in `error` as
    // "Title: text". `raw`, when given, receives the key as typed or as the keyfile holds it.
    bool Read(SecretBytes& key, QString& error, bool askTwice = false, SecretBytes* raw = nullptr);

    // The keyfile given with --key-file ("" otherwise).
    const QString& keyFile() const { return m_keyFile; }

private:
    bool ReadTyped(const QString& typed, SecretBytes& key, QString& error, SecretBytes* raw);

    QString m_keyFile;
    bool m_stdin = false;
    bool m_dataOnStdin = false;
};
