#pragma once

#include <QString>

// What a window (or the command line) shows of a run. The batch driver and the report text
// call these as the run goes; every default does nothing, so a front end overrides only what
// it displays.
class ReportView
{
public:
    virtual ~ReportView() = default;

    // The report text grew by `text`; with `showEnd` its end is to be brought into view.
    virtual void TextAppended(const QString& /*text*/, bool /*showEnd*/) {}
    // The report text was cut back to its first `length` characters.
    virtual void TextTruncated(qsizetype /*length*/) {}
    virtual void TextCleared() {}

    // A run begins: Stop and Pause/Continue (unless `pauseShown` is false) replace Close and
    // the copy button, and the window takes its running layout.
    virtual void RunStarted(bool /*pauseShown*/) {}
    // The run is over: Stop and Pause/Continue go, Close comes back.
    virtual void RunEnded() {}
    // The finished report holds text that can be copied.
    virtual void CopyAvailable() {}
    // A short report: the text box may shrink to `lineCount` lines.
    virtual void ShrinkToLines(qint64 /*lineCount*/) {}

    virtual void StatusChanged(const QString& /*status*/) {}
    virtual void PauseChanged(bool /*paused*/) {}
    // The timer that keeps the newest line in view.
    virtual void ClockEnabled(bool /*enabled*/) {}
    // Stop was requested: whatever else paces a run (the main window's timer) halts too.
    virtual void StopRequested() {}
    // Bytes of the current file handled so far, out of `total`; total 0 ends the display.
    virtual void Progress(qint64 /*done*/, qint64 /*total*/) {}
    // The report window goes out of sight (duplicate output names are reported without it).
    virtual void HideWindow() {}
    // The caret goes before the report's last character.
    virtual void CaretBeforeLast() {}
};
