#pragma once

#include "support/weblink.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class Interaction;

// Opens a web address or a local document with the program the desktop associates with it,
// and tells the user in a warning when that fails (support/weblink.h has the texts).
class DocumentLauncher
{
public:
    // Hands a URL to the desktop; false when no program could be started for it. Tests give
    // one that records the URL instead of starting a browser.
    using Opener = std::function<bool(const QUrl&)>;

    explicit DocumentLauncher(Interaction& interaction, Opener opener = {});

    // `address` is a web address, or the absolute path of a local document. True when a program
    // was started for it.
    bool Open(const QString& address);
    // Tries the addresses in turn until a program is started for one; the warning, about the
    // last of them, only when none opens.
    bool OpenFirst(const QStringList& addresses);

private:
    std::optional<weblink::Failure> TryOpen(const QString& address);

    Interaction& m_interaction;
    Opener m_opener;
};
