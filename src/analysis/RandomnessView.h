#pragma once

class QString;
struct SingleFileFigures;

// What a front end shows of a randomness report: the windows, or the terminal.
class RandomnessView
{
public:
    virtual ~RandomnessView() = default;

    // The choice of input or output files is over; its panel goes.
    virtual void CloseChoices() {}
    // "Checking file ..." while a single file is measured; `shown` false takes it away.
    virtual void ShowChecking(bool /*shown*/) {}
    // The single-file window with these figures; returns when the user has closed it.
    virtual void ShowSingleFile(const SingleFileFigures& figures) = 0;
    // The report window, under `caption`, before the listing is written into it.
    virtual void ShowReportWindow(const QString& caption) = 0;
};
