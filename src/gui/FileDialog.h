#pragma once

#include <QString>

class QWidget;

// Every file and folder picker of the program. A test queues the next answer with
// setNextFileName or setNextDirectory: the next picker of that kind then shows nothing and
// returns it (as if the user had chosen it; "" as if the user had cancelled), once.
class FileDialog
{
public:
    // An existing file to open.
    static QString getOpenFileName(QWidget* owner, const QString& title, const QString& filter);
    // A file to write: an existing one or a new name. The dialog does not ask before
    // replacing a file; the caller does.
    static QString getSaveFileName(QWidget* owner, const QString& title, const QString& filter);
    // An existing file or a name that does not exist yet, from an open dialog (a keyfile).
    static QString getAnyFileName(QWidget* owner, const QString& title, const QString& filter);
    // An existing folder.
    static QString getExistingDirectory(QWidget* owner, const QString& title);

    static void setNextFileName(const QString& path);
    static void setNextDirectory(const QString& path);
};
