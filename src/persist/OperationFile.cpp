#include "OperationFile.h"

#include "OutputFile.h"
#include "PosixFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdint>
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

// The file gets `data` as its whole content, so that after a crash at any point it holds
// either its old content or the new one: the data goes to a temporary file in the same folder,
// reaches the disk, is renamed over the old name, and the folder is synced so that the rename
// lasts too.
bool ReplaceFile(const QString& path, const QByteArray& data)
{
    const QFileInfo info(path);
    // A link stays a link (a setup kept among linked dotfiles): the file it leads to is
    // replaced.
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const std::string name = QFile::encodeName(target).toStdString();
    OutputFile file;
    if (target.isEmpty() || !file.create(name))
        return false;
    // A replaced file keeps its permissions; a new one is private to the user, like every
    // file the program makes.
    struct stat old = {};
    if (::stat(name.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(file.fd(), old.st_mode & 07777);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    if (PosixFile::writeFull(file.fd(), bytes, static_cast<std::size_t>(data.size())) != 0 ||
        ::fsync(file.fd()) != 0 || file.commit() != 0)
        return false; // the temporary file goes with `file`
    return PosixFile::syncFolderOf(name) == 0;
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

bool WriteOperationFile(const QString& path, const Setup& setup)
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
    // A tenth line marks an input specification that is a picked file's name. Files without
    // it, and programs that read nine lines, take the specification as before.
    if (saved.blnSingleFile)
        text += QByteArray(" 1 ") + LineEnd;
    return ReplaceFile(path, text);
}

bool ReadOperationFile(const QString& path, OperationFileContents& contents)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
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
    // Optional: without it (or with anything else there) the switch stays off.
    ReadSwitch(file, saved.blnSingleFile);
    read.versionText = QString::fromUtf8(version);
    contents = read;
    return true;
}
