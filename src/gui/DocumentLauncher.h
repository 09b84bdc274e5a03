#pragma once

#include <QString>
#include <QUrl>

#include <functional>

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

private:
    Interaction& m_interaction;
    Opener m_opener;
};
