#include "CliReportView.h"

#include "core/ReportText.h"
#include "support/SizeText.h"

#include <cstdio>
#include <unistd.h>

CliReportView::CliReportView(const ReportText& report, bool quiet)
    : m_report(report), m_terminal(::isatty(STDERR_FILENO) != 0), m_quiet(quiet)
{
}

void CliReportView::TextAppended(const QString&, bool)
{
    if (!m_quiet)
        PrintCompleteLines(false);
}

void CliReportView::TextTruncated(qsizetype length)
{
    // Only the unfinished last line can be taken back; printed lines stay printed.
    m_printed = qMin(m_printed, length);
}

void CliReportView::TextCleared()
{
    m_printed = 0;
}

void CliReportView::Flush()
{
    PrintCompleteLines(true);
}

void CliReportView::PrintCompleteLines(bool all)
{
    const QString& text = m_report.text();
    const qsizetype end = all ? text.size() : text.lastIndexOf(QLatin1Char('\n')) + 1;
    if (end <= m_printed)
        return;
    ClearProgress();
    std::fputs(text.mid(m_printed, end - m_printed).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    m_printed = end;
}

void CliReportView::Progress(qint64 done, qint64 total)
{
    if (!m_terminal || m_quiet)
        return;
    if (total <= 0) {
        ClearProgress();
        return;
    }
    if (m_progressShown && m_sinceProgress.isValid() && m_sinceProgress.elapsed() < 200)
        return;
    m_sinceProgress.start();
    const int percent = int(qBound(qint64(0), done * 100 / total, qint64(100)));
    const QString line = QStringLiteral("\r  %1%  %2 of %3")
                             .arg(percent, 3)
                             .arg(StrProc::SizeText(double(qMin(done, total)), 1),
                                  StrProc::SizeText(double(total), 1));
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    m_progressShown = true;
}

void CliReportView::ClearProgress()
{
    if (!m_progressShown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_progressShown = false;
}
