#pragma once

#include <QLocale>
#include <QString>

// Sizes and durations in the wording of the report and the main window («12.34 KB»,
// «2 minutes and 5 seconds»). Part of the StrProc module, like the other text builders.
namespace StrProc {

// The locale for grouped numbers: `system` itself, except that the C locale (which groups
// nothing) gives a comma for grouping and a point for decimals.
QLocale NumberLocale(const QLocale& system = QLocale::system());

// «1023 bytes», «1.00 KB», «5,120.00 MB» (MB is the largest unit); "" for a negative size.
// Whole byte counts are exact up to 2^53 bytes.
QString SizeText(double bytes, int decimals, const QLocale& locale = NumberLocale());

// The size text of the file's length; "" when `path` is empty or names no file.
QString FileSizeText(const QString& path, int decimals, const QLocale& locale = NumberLocale());

// «1 day and 1 hour», «2 hours and 5 minutes», «0 minutes»; short form «1d 1h», «0m». At
// most two units.
QString MinutesText(int minutes, bool longForm);

// «1 minute and 1 second», «1 hour and 1 minute»; short form «1h 1m 1s». The long form keeps
// at most two units.
QString DurationText(int seconds, bool longForm);

} // namespace StrProc
