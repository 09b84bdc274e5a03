#pragma once

#include "ScriptedInteraction.h"
#include "core/BatchDriver.h"
#include "core/Setup.h"
#include "keys/KeyRecord.h"
#include "storage/FileCipher.h"

#include <QStringList>
#include <QTemporaryDir>

#include <deque>

// A batch over real files in a temporary folder, with a fast key derivation, a scripted user
// and clocks the test controls.
struct BatchFixture
{
    BatchFixture();

    // Runs one batch from `inputFolder` to `outputFolder` (relative to the temporary folder;
    // "" is the folder itself). In place when both are equal and the specifications too.
    void Run(const QString& inputFolder, const QString& inputSpec, const QString& outputFolder,
             const QString& outputSpec);
    // The request of the fixture's setup with these sides, as Run makes it.
    BatchRequest Request(const QString& inputFolder, const QString& inputSpec,
                         const QString& outputFolder, const QString& outputSpec) const;

    QString path(const QString& relative) const;
    void write(const QString& relative, const QByteArray& data);
    QByteArray read(const QString& relative) const;
    // A ciphertext of `plain` made with the fixture's key (extended as a launch extends it),
    // written at `relative`.
    void writeEncrypted(const QString& relative, const QByteArray& plain);
    // The plaintext of the ciphertext at `relative` ("" when it does not decrypt with the
    // fixture's key, extended).
    QByteArray decrypted(const QString& relative);

    QStringList lines();
    const QString& report() { return driver.report().text(); }

    QTemporaryDir dir;
    FileCipher engine;
    Setup setup;
    KeyRecord key;
    ScriptedInteraction interaction;
    BatchDriver driver;
    BatchResult result; // of the last Run
    // Seconds since midnight returned one after the other; the last one repeats.
    std::deque<double> clock{36000};
};
