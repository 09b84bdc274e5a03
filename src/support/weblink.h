#pragma once

#include <QString>

// Opening a document or a web address with the program the desktop associates with it: the
// texts of a failure. The opening itself belongs to the windows (gui/DocumentLauncher.h).
namespace weblink {

// Why an address could not be opened, numbered by the error codes that the program's messages
// have always carried. On Linux they stand for:
//   OutOfResources (0)  a local document could not be opened for lack of file descriptors
//                       (ENFILE, EMFILE)
//   FileNotFound (2)    the local document is gone (ENOENT)
//   PathNotFound (3)    a folder on the way to it is missing or not a folder, or the path
//                       cannot be resolved (ENOTDIR, ELOOP, ENAMETOOLONG)
//   AccessDenied (5)    the document cannot be read (EACCES, EPERM, and any other error
//                       opening it, such as EIO)
//   OutOfMemory (8)     ENOMEM
//   NoAssociation (31)  no program could be started for the address: the desktop has no
//                       opener (xdg-open) or no application for that kind of address
enum class Failure {
    OutOfResources = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    OutOfMemory = 8,
    NoAssociation = 31,
};

// The failure that an errno value, met while opening a local document for reading, stands for.
Failure FailureOfErrno(int errorNumber);

// The title and text of the warning shown when `address` could not be opened.
QString FailureTitle();
QString FailureMessage(Failure failure, const QString& address);

// The last path element's extension from its last "." on, the dot included, lower-cased when
// asked; "" when that element has no dot.
QString Extension(const QString& path, bool lowerCase);

// The tool tip of the main window's "Online documentation" label.
QString DocumentationToolTip(const QString& address);

} // namespace weblink
