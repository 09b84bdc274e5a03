#include "SizeText.h"

#include <QFileInfo>

namespace StrProc {

namespace {

constexpr double KiB = 1024;
constexpr double MiB = 1048576;

// The count and its unit: "1 day" or "3 days" in the long form, "3d " in the short one.
QString Unit(int count, const char* longUnit, const char* shortUnit, bool longForm)
{
    const QString number = QString::number(count);
    if (!longForm)
        return number + QLatin1String(shortUnit) + u' ';
    QString text = number + u' ' + QLatin1String(longUnit);
    if (count != 1)
        text += u's';
    return text;
}

// Joining units with "and" can leave three of them; the last one and its "and" go.
QString KeepTwoUnits(const QString& text)
{
    if (text.count(QStringLiteral("and")) <= 1)
        return text;
    return text.left(text.lastIndexOf(QStringLiteral("and"))).trimmed();
}

} // namespace

QLocale NumberLocale(const QLocale& system)
{
    if (system.language() != QLocale::C)
        return system;
    QLocale fallback = QLocale::c();
    fallback.setNumberOptions(QLocale::DefaultNumberOptions);
    return fallback;
}

QString SizeText(double bytes, int decimals, const QLocale& locale)
{
    if (bytes < 0)
        return {};
    if (bytes < KiB)
        return QString::number(qint64(bytes)) + QStringLiteral(" bytes");
    if (bytes < MiB)
        return locale.toString(bytes / KiB, 'f', decimals) + QStringLiteral(" KB");
    return locale.toString(bytes / MiB, 'f', decimals) + QStringLiteral(" MB");
}

QString FileSizeText(const QString& path, int decimals, const QLocale& locale)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        return {};
    return SizeText(double(info.size()), decimals, locale);
}

QString MinutesText(int minutes, bool longForm)
{
    const QString joiner = longForm ? QStringLiteral(" and ") : QString();
    QString text;
    bool daysWritten = false;
    bool hoursWritten = false;
    if (minutes >= 1440) {
        text += Unit(minutes / 1440, "day", "d", longForm);
        minutes %= 1440;
        daysWritten = true;
    }
    if (minutes >= 60) {
        if (daysWritten)
            text += joiner;
        text += Unit(minutes / 60, "hour", "h", longForm);
        minutes %= 60;
        hoursWritten = true;
    }
    if (minutes > 0) {
        if (daysWritten || hoursWritten)
            text += joiner;
        text += Unit(minutes, "minute", "m", longForm);
    }
    if (text.isEmpty())
        text = longForm ? QStringLiteral("0 minutes") : QStringLiteral("0m");
    return KeepTwoUnits(longForm ? text : text.trimmed());
}

QString DurationText(int seconds, bool longForm)
{
    const int minutes = seconds / 60;
    seconds %= 60;
    const QString secondsPart =
        longForm ? Unit(seconds, "second", "s", true) : QString::number(seconds) + u's';
    if (minutes == 0)
        return secondsPart;
    QString text = MinutesText(minutes, longForm);
    if (seconds > 0)
        text += (longForm ? QStringLiteral(" and ") : QStringLiteral(" ")) + secondsPart;
    return KeepTwoUnits(text);
}

} // namespace StrProc
