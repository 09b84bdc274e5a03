#include "FolderWalk.h"

#include "NameBytes.h"
#include "NameFilter.h"
#include "StrProc.h"
#include "folder.h"

#include <QFile>

namespace folder {

namespace {

bool Walk(const QString& folderPath, const NameFilter& filter, bool subdirectories,
          const WalkCallbacks& callbacks)
{
    QString path = folderPath;
    StrProc::EnsureTrailingBackslash(path);
    FolderListing listing;
    QString errorText;
    if (!ListFolder(path, listing, errorText)) {
        if (callbacks.failed)
            callbacks.failed(path, errorText);
        return true;
    }
    listing.files.removeIf([&filter](const QString& name) { return !filter.matches(name); });
    QStringList unreadable;
    for (const QByteArray& name : std::as_const(listing.unreadableFiles)) {
        if (filter.matches(QFile::decodeName(name)))
            unreadable.append(NameBytes::Escaped(name));
    }
    if (callbacks.files && !callbacks.files(path, listing.files, unreadable))
        return true;
    if (!subdirectories)
        return true;
    if (callbacks.failed) {
        for (const QByteArray& name : std::as_const(listing.unreadableSubfolders))
            callbacks.failed(path + NameBytes::Escaped(name) + u'/', UnreadableNameText());
    }
    for (const QString& subfolder : std::as_const(listing.subfolders)) {
        if (!Walk(path + subfolder, filter, true, callbacks))
            return false;
        if (callbacks.stopRequested && callbacks.stopRequested())
            return false;
    }
    return true;
}

} // namespace

QString UnreadableNameText()
{
    return QStringLiteral("its name is not valid UTF-8");
}

bool WalkFolder(const QString& folderPath, const QString& inputSpec, bool subdirectories,
                const WalkCallbacks& callbacks)
{
    return Walk(folderPath, NameFilter(inputSpec), subdirectories, callbacks);
}

bool WalkFolder(const QString& folderPath, const NameFilter& filter, bool subdirectories,
                const WalkCallbacks& callbacks)
{
    return Walk(folderPath, filter, subdirectories, callbacks);
}

} // namespace folder
