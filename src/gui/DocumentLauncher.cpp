#include "DocumentLauncher.h"

#include "support/Interaction.h"
#include "support/weblink.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// Whether a local document can be read: the viewer that the desktop starts would otherwise
// fail on its own, in its own words, or not at all visibly. A FIFO put in its place must not
// block the window, hence O_NONBLOCK.
std::optional<weblink::Failure> Unreadable(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return weblink::FailureOfErrno(errno);
    ::close(fd);
    return std::nullopt;
}

} // namespace

DocumentLauncher::DocumentLauncher(Interaction& interaction, Opener opener)
    : m_interaction(interaction), m_opener(std::move(opener))
{
    if (!m_opener)
        m_opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool DocumentLauncher::Open(const QString& address)
{
    return OpenFirst(QStringList{address});
}

bool DocumentLauncher::OpenFirst(const QStringList& addresses)
{
    std::optional<weblink::Failure> failure;
    for (const QString& address : addresses) {
        failure = TryOpen(address);
        if (!failure)
            return true;
    }
    if (!failure)
        return false; // nothing to open
    m_interaction.Tell(weblink::FailureTitle(), weblink::FailureMessage(*failure, addresses.last()),
                       Interaction::Icon::Exclamation);
    return false;
}

std::optional<weblink::Failure> DocumentLauncher::TryOpen(const QString& address)
{
    const bool local = QDir::isAbsolutePath(address);
    std::optional<weblink::Failure> failure = local ? Unreadable(address) : std::nullopt;
    if (!failure && !m_opener(local ? QUrl::fromLocalFile(address) : QUrl(address)))
        failure = weblink::Failure::NoAssociation;
    return failure;
}
