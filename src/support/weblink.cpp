#include "weblink.h"

#include <cerrno>

namespace weblink {

Failure FailureOfErrno(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return Failure::FileNotFound;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return Failure::PathNotFound;
    case ENOMEM:
        return Failure::OutOfMemory;
    case ENFILE:
    case EMFILE:
        return Failure::OutOfResources;
    default:
        return Failure::AccessDenied;
    }
}

QString FailureTitle()
{
    return QStringLiteral("Cannot launch web browser");
}

QString FailureMessage(Failure failure, const QString& address)
{
    QString text = QStringLiteral("Error launching web browser, error code = ") +
                   QString::number(int(failure)) + QLatin1Char('.');
    switch (failure) {
    case Failure::NoAssociation:
        text += QStringLiteral("\n\nFile extension '") + Extension(address, true) +
                QStringLiteral("' is not associated with any application program.");
        break;
    case Failure::OutOfMemory:
        text += QStringLiteral("\n\nOut of memory.");
        break;
    case Failure::FileNotFound:
        text += QStringLiteral("\n\nPlease try once more.");
        break;
    // The code alone says it.
    case Failure::OutOfResources:
    case Failure::PathNotFound:
    case Failure::AccessDenied:
        break;
    }
    return text;
}

QString Extension(const QString& path, bool lowerCase)
{
    const QString element = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = element.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    const QString extension = element.mid(dot);
    return lowerCase ? extension.toLower() : extension;
}

QString DocumentationToolTip(const QString& address)
{
    return QStringLiteral("Click here for the online manual at ") + address;
}

} // namespace weblink
