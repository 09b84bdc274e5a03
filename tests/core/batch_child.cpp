// Runs one in-place batch over a folder and exits; tst_crashsafety kills it at chosen moments.
//
//     batch_child FOLDER KEYFILE encrypt|decrypt
//
// KEYFILE holds the 64 key characters. The child prints "ready" once everything before the
// batch is done, so that the test can time its kills from the start of the file work; then
// "exchanging NAME" and "purging NAME" as an in-place file reaches those steps, so that it can
// kill inside them; then the report. Exit status: 0 when every non-empty file was done, 1 when one
// was not, 2 on misuse.

#include "core/BatchDriver.h"
#include "core/Setup.h"
#include "core/UnattendedInteraction.h"
#include "engine/StreamFormat.h"
#include "keys/KeyRecord.h"
#include "storage/FileCipher.h"
#include "storage/InPlaceFile.h"
#include "support/Interaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

// Nobody is there to answer: every question gets No, every message goes to standard error.

int Usage(const char* why)
{
    std::fprintf(stderr, "batch_child: %s\nusage: batch_child FOLDER KEYFILE encrypt|decrypt\n",
                 why);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return Usage("three arguments expected");
    const QString folder = args[1];
    const QString direction = args[3];
    if (direction != QLatin1String("encrypt") && direction != QLatin1String("decrypt"))
        return Usage("the direction is encrypt or decrypt");
    QFile keyfile(args[2]);
    if (!keyfile.open(QIODevice::ReadOnly))
        return Usage("cannot read the keyfile");
    KeyRecord key;
    key.strKey = keyfile.readAll();
    key.intKeySource = KeyRecord::Keyboard;
    if (key.strKey.size() != 64)
        return Usage("the keyfile must hold 64 characters");

    qint64 nonEmpty = 0;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        nonEmpty += file.size() > 0 ? 1 : 0;

    FileCipher engine;
    if (engine.allocate_buffers() == 0)
        return Usage("the engine could not allocate its buffers");
    // The lowest Argon2id limits: the derivation would otherwise take most of the run.
    engine.set_kdf_params({1, StreamFormat::MinMemLog});

    Setup setup;
    setup.blnEncrypt = direction == QLatin1String("encrypt");
    setup.blnOutputFilesSame = true;
    setup.blnSubdirectories = false;
    UnattendedInteraction interaction;
    BatchDriver driver(key, engine, interaction);
    driver.fileOps().onStage = [](ZR7FileOps::Stage stage, const InPlaceFile& file) {
        if (stage == ZR7FileOps::Stage::Opened || stage == ZR7FileOps::Stage::Verifying)
            return;
        const QString name = QFileInfo(QString::fromStdString(file.path())).fileName();
        std::fprintf(stdout, "%s %s\n",
                     stage == ZR7FileOps::Stage::Exchanging ? "exchanging" : "purging",
                     qPrintable(name));
        std::fflush(stdout);
    };
    BatchRequest request = BatchRequest::Of(setup);
    request.inputFolder = request.outputFolder = folder;
    request.inputSpec = request.outputSpec = QStringLiteral("*.*");

    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    driver.Run(request);
    std::fputs(qPrintable(driver.report().text()), stdout);
    std::fflush(stdout);
    engine.deallocate_buffers();
    return driver.counters().filesDone == nonEmpty ? 0 : 1;
}
