#pragma once

#include <QString>
#include <QStringList>

// One file's line of a batch report: what follows its size (or its name, when no size was
// shown), and the line after it, where a note on a second line goes.
struct ReportLine
{
    QString result;
    QString next;
    bool found = false;

    ReportLine(const QString& report, const QString& name)
    {
        const QStringList lines = report.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size() && !found; ++i) {
            if (!lines[i].startsWith(name + QLatin1Char(' ')))
                continue;
            found = true;
            const qsizetype size = lines[i].indexOf(QLatin1String(" bytes   "));
            result = size >= 0 ? lines[i].mid(size + 9)
                               : lines[i].mid(qMax<qsizetype>(12, name.size()) + 2);
            next = i + 1 < lines.size() ? lines[i + 1] : QString();
        }
    }
};
