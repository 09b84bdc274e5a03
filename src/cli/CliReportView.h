#pragma once

#include "core/ReportView.h"

#include <QElapsedTimer>

class ReportText;

// Shows a run on the terminal: the report goes to standard output line by line as it is
// completed, exactly as the report window would hold it; the current file's progress goes to
// standard error, only when that is a terminal. A quiet view shows nothing while the run goes
// on; Flush() then prints the whole report.
class CliReportView : public ReportView
{
public:
    explicit CliReportView(const ReportText& report, bool quiet = false);

    void TextAppended(const QString& text, bool showEnd) override;
    void TextTruncated(qsizetype length) override;
    void TextCleared() override;
    void Progress(qint64 done, qint64 total) override;

    // Writes whatever is still unprinted (the report's last, unfinished line).
    void Flush();

private:
    void PrintCompleteLines(bool all);
    void ClearProgress();

    const ReportText& m_report;
    qsizetype m_printed = 0;
    bool m_progressShown = false;
    bool m_terminal = false;
    bool m_quiet = false;
    QElapsedTimer m_sinceProgress;
};
