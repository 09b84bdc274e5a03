#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The tally of a fault-injection suite: the cases run, the files checked after them, and those
// that did not hold what they had to (an original changed or gone, a result that does not give
// the original back). Printed at the end of the suite, so that a run can be quoted.
class LossTally
{
public:
    void caseRun() { ++m_cases; }

    // Counts one file; false, and one more lost, when `actual` is not `expected`.
    bool check(const QString& what, const QByteArray& actual, const QByteArray& expected)
    {
        ++m_files;
        if (actual == expected)
            return true;
        ++m_lost;
        qWarning("lost: %s", qPrintable(what));
        return false;
    }

    void print(const char* suite) const
    {
        qInfo("%s: %d fault cases, %d files checked, %d files lost", suite, m_cases, m_files,
              m_lost);
    }

private:
    int m_cases = 0;
    int m_files = 0;
    int m_lost = 0;
};
