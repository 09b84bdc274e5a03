#include "OperationFile.h"

#include "storage/ReplacingWrite.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char LineEnd[] = "\r\n";

// The longest line read: a quoted path of the longest length Linux allows, with room to spare.
constexpr qint64 MaxLineLength = 3 * 4096;

QByteArray QuotedLine(const QString& text)
{
    return '"' + text.toUtf8() + '"' + LineEnd;
}

// The file gets `data` as its whole content through a temporary file and a rename, so that
// after a crash it holds its old content or the new one. The callers have asked before an
// existing file is replaced; a symbolic link or a special file under the name is refused all the
// same, since following it could replace any file of the system.
bool ReplaceFile(const QString& path, const QByteArray& data, const QStringList& inUse)
{
    ReplacingWrite::Target target;
    target.path = QFile::encodeName(path).toStdString();
    target.replace = true;
    for (const QString& file : inUse)
        target.protect.push_back(QFile::encodeName(file).toStdString());
    int error = 0;
    return ReplacingWrite::writeBytes(target, data.constData(),
                                      static_cast<std::size_t>(data.size()),
                                      error) == ReplacingWrite::Result::Written;
}

// The file opened for reading only when it is a regular file: a FIFO would block the open, and
// a device could give bytes without end.
bool OpenRegular(QFile& file, const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info = {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    return true;
}

// The next line without its line end (CR LF, or LF alone from an editor); false at the end of
// the file or for a line longer than any the program writes.
bool NextLine(QFile& file, QByteArray& line)
{
    if (file.atEnd())
        return false;
    line = file.readLine(MaxLineLength + 1);
    if (line.endsWith('\n'))
        line.chop(1);
    else if (!file.atEnd())
        return false;
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

// A switch is the number 0 or 1, blanks around it allowed. Any other number has no meaning
// for a switch, so the file is taken as damaged rather than guessed at.
bool ReadSwitch(QFile& file, bool& value)
{
    QByteArray line;
    bool number = false;
    if (!NextLine(file, line))
        return false;
    const int saved = line.trimmed().toInt(&number);
    if (!number || (saved != 0 && saved != 1))
        return false;
    value = saved == 1;
    return true;
}

// The text between the first and the last double quote of the line, so that a name holding
// quotes reads back whole; only blanks may stand outside them.
bool ReadQuoted(QFile& file, QString& text)
{
    QByteArray line;
    if (!NextLine(file, line))
        return false;
    line = line.trimmed();
    if (line.size() < 2 || !line.startsWith('"') || !line.endsWith('"'))
        return false;
    text = QString::fromUtf8(line.mid(1, line.size() - 2));
    return true;
}

} // namespace

bool WriteOperationFile(const QString& path, const Setup& setup, const QStringList& inUse)
{
    const KeptSetup saved = setup.Keep();
    QByteArray text = VersionText().toUtf8() + LineEnd;
    for (bool on : {saved.blnEncrypt, saved.blnConfirmFiles, saved.blnOutputFilesSame,
                    saved.blnSubdirectories})
        text += (on ? " 1 " : " 0 ") + QByteArray(LineEnd);
    for (int side : {Setup::Input, Setup::Output}) {
        for (const QString* string : {&saved.strDirpath[side], &saved.strFilespec[side]}) {
            if (string->contains(QLatin1Char('\n')))
                return false;
            text += QuotedLine(*string);
        }
    }
    // A tenth line marks an input specification that is a picked file's name, an eleventh
    // repairable files; the tenth stands (" 0 ") wherever the eleventh does. Each is written only
    // when its switch is on, so that a setup without them saves as it always did, and programs
    // that read nine or ten lines stop before what they do not know.
    if (saved.blnSingleFile || saved.blnRepairable)
        text += (saved.blnSingleFile ? " 1 " : " 0 ") + QByteArray(LineEnd);
    if (saved.blnRepairable)
        text += QByteArray(" 1 ") + LineEnd;
    return ReplaceFile(path, text, inUse);
}

bool ReadOperationFile(const QString& path, OperationFileContents& contents)
{
    QFile file;
    if (!OpenRegular(file, path))
        return false;
    OperationFileContents read;
    QByteArray version;
    KeptSetup& saved = read.saved;
    if (!NextLine(file, version) || !ReadSwitch(file, saved.blnEncrypt) ||
        !ReadSwitch(file, saved.blnConfirmFiles) || !ReadSwitch(file, saved.blnOutputFilesSame) ||
        !ReadSwitch(file, saved.blnSubdirectories))
        return false;
    for (int side : {Setup::Input, Setup::Output}) {
        if (!ReadQuoted(file, saved.strDirpath[side]) || !ReadQuoted(file, saved.strFilespec[side]))
            return false;
    }
    // Optional: without them (or with anything else there) the switches stay off.
    if (ReadSwitch(file, saved.blnSingleFile))
        ReadSwitch(file, saved.blnRepairable);
    read.versionText = QString::fromUtf8(version);
    contents = read;
    return true;
}
