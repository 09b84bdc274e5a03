#include "VerifyCommand.h"

#include "CliKey.h"
#include "CommandLine.h"
#include "EngineWithKey.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "core/FileResultText.h"
#include "files/FolderWalk.h"
#include "files/NameBytes.h"
#include "files/StrProc.h"
#include "storage/FileCipher.h"
#include "storage/PosixFile.h"
#include "support/SizeText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

struct Options
{
    QString path;
    QString files = QStringLiteral("*.*");
    bool subfolders = false;
    bool quiet = false; // only the files that did not verify
};

bool ParseOptions(QStringList args, Options& options, QString& error)
{
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--files") && !args.isEmpty())
            options.files = args.takeFirst();
        else if (arg == QLatin1String("--subfolders"))
            options.subfolders = true;
        else if (arg == QLatin1String("--quiet") || arg == QLatin1String("-q"))
            options.quiet = true;
        else if (CommandLine::IsOption(arg) || !options.path.isEmpty())
            error = QStringLiteral("unexpected argument ") + arg;
        else
            options.path = arg;
        if (!error.isEmpty())
            return false;
    }
    if (options.path.isEmpty())
        error = QStringLiteral("no file or folder given.");
    return error.isEmpty();
}

QString At(std::uint64_t offset)
{
    return QStringLiteral("byte ") + StrProc::NumberLocale().toString(qulonglong(offset));
}

QString VerdictText(const FileCipher::Verdict& verdict, const StreamRepairs::Summary& repairs)
{
    using Kind = FileCipher::Verdict::Kind;
    switch (verdict.kind) {
    case Kind::Intact:
        return QStringLiteral("verified");
    case Kind::NotEncrypted:
        return QStringLiteral("not an encrypted file");
    case Kind::RetiredFormat:
        return QStringLiteral("in the format of a test version, which this version does not "
                              "read");
    case Kind::WrongKey:
        return QStringLiteral("wrong key: the file does not open with this key");
    case Kind::Damaged:
        return QStringLiteral("damaged: the chunk at ") + At(verdict.offset) +
               QStringLiteral(" does not authenticate");
    case Kind::Truncated:
        return QStringLiteral("truncated: the file ends at ") + At(verdict.offset) +
               QStringLiteral(", before its last chunk");
    case Kind::DamagedAtEnd:
        return QStringLiteral("damaged at its end: the chunk at ") + At(verdict.offset) +
               QStringLiteral(" is cut short, changed or extended");
    case Kind::DataAfterEnd:
        return QStringLiteral("data after the end, from ") + At(verdict.offset);
    case Kind::ReadFailed:
        return QStringLiteral("read error");
    case Kind::RepairableDamage:
        return QStringLiteral("repairable damage: its parity mends ") +
               FileResultText::RepairedText(repairs.bytes, repairs.sectors) +
               QStringLiteral("; zr7e-cli repair rewrites it whole");
    case Kind::BeyondRepair:
        return QStringLiteral("damaged beyond repair: the chunk at ") + At(verdict.offset) +
               QStringLiteral(" does not authenticate and its parity cannot mend it");
    case Kind::NoMemory:
        break;
    }
    return QStringLiteral("out of memory: the key could not be derived");
}

// Verifies the files and counts them; the report goes to standard output as it is made.
class Verifier
{
public:
    Verifier(FileCipher& engine, bool quiet) : m_engine(engine), m_quiet(quiet) {}

    void File(const QString& path, const QString& shown)
    {
        QString text;
        // Opened without waiting for a FIFO's writer; only a regular file is read.
        bool verified = false;
        PosixFile::Fd fd(
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        struct stat info = {};
        if (!fd.valid()) {
            text = QStringLiteral("cannot be opened: ") + qt_error_string(errno);
        } else if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            text = QStringLiteral("not a regular file: not read");
        } else {
            ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
            const FileCipher::Verdict verdict = m_engine.verify_verdict(fd.get());
            verified = verdict.kind == FileCipher::Verdict::Kind::Intact;
            m_verified += verified;
            text = VerdictText(verdict, m_engine.repairs());
        }
        Line(shown, text, verified);
    }

    void Line(const QString& shown, const QString& text, bool verified = false)
    {
        ++m_files;
        if (m_quiet && verified)
            return;
        std::fputs(
            qPrintable(NameBytes::Shown(shown) + QStringLiteral("  ") + text + QLatin1Char('\n')),
            stdout);
        std::fflush(stdout);
    }

    void FolderNotRead(const QString& folder, const QString& why)
    {
        ++m_foldersNotRead;
        Messages::PrintError(QStringLiteral("Cannot read the folder ") + NameBytes::Shown(folder) +
                             QStringLiteral(": ") + why);
    }

    int Finish() const
    {
        if (!m_quiet)
            std::fputs(
                qPrintable(
                    QStringLiteral("\nFiles verified: %1 of %2\n").arg(m_verified).arg(m_files)),
                stdout);
        return m_verified == m_files && m_foldersNotRead == 0 ? ExitStatus::Done
                                                              : ExitStatus::Failed;
    }

private:
    FileCipher& m_engine;
    bool m_quiet;
    qint64 m_files = 0;
    qint64 m_verified = 0;
    qint64 m_foldersNotRead = 0;
};

void VerifyFolder(Verifier& verifier, const Options& options)
{
    QString top = QDir::cleanPath(QFileInfo(options.path).absoluteFilePath());
    StrProc::EnsureTrailingBackslash(top);
    folder::WalkCallbacks callbacks;
    callbacks.files = [&](const QString& folderPath, const QStringList& names,
                          const QStringList& unreadable) {
        const QString shownFolder = folderPath.mid(top.size());
        for (const QString& name : names)
            verifier.File(folderPath + name, shownFolder + name);
        for (const QString& name : unreadable)
            verifier.Line(shownFolder + name,
                          QStringLiteral("not read: ") + folder::UnreadableNameText());
        return true;
    };
    callbacks.failed = [&](const QString& folderPath, const QString& why) {
        verifier.FolderNotRead(folderPath, why);
    };
    folder::WalkFolder(top, options.files, options.subfolders, callbacks);
}

} // namespace

int RunVerify(QStringList args)
{
    CliKey keyOptions;
    QString error;
    if (!keyOptions.ParseOptions(args, error)) {
        Messages::PrintUsage(error);
        return ExitStatus::Refused;
    }
    Options options;
    if (!ParseOptions(args, options, error)) {
        Messages::PrintUsageError(error);
        return ExitStatus::Refused;
    }
    const QFileInfo input(options.path);
    if (!input.exists()) {
        Messages::PrintError(options.path + QStringLiteral(" does not exist."));
        return ExitStatus::Refused;
    }
    // One key for every file; the engine derives it once for each salt it meets.
    FileCipher engine;
    if (const int refused = StartEngineWithKey(engine, keyOptions, false))
        return refused;
    Verifier verifier(engine, options.quiet);
    if (input.isDir())
        VerifyFolder(verifier, options);
    else
        verifier.File(input.absoluteFilePath(), options.path);
    engine.deallocate_buffers();
    return verifier.Finish();
}
