#include "ReportText.h"

#include "ReportView.h"
#include "RunError.h"
#include "support/Interaction.h"
#include "support/SizeText.h"
#include "support/TxtEncDec.h"

#include <utility>

void ReportText::Clear()
{
    m_text.clear();
    m_held.clear();
    m_holding = false;
    if (m_view)
        m_view->TextCleared();
}

void ReportText::Write(const QString& text)
{
    if (m_text.size() + text.size() > m_capacity)
        throw RunError(RunError::Kind::ReportFull, FullDescription());
    Add(text, false);
}

void ReportText::AppendToReport(const QString& text, bool showEnd)
{
    if (quiet)
        return;
    if (m_text.size() + m_held.size() + text.size() > m_capacity)
        throw RunError(RunError::Kind::ReportFull, FullDescription());
    if (m_holding)
        m_held += text;
    else
        Add(text, showEnd);
}

void ReportText::ReplaceHeld(qsizetype at, qsizetype length, const QString& text)
{
    if (at >= 0 && at + length <= m_held.size())
        m_held.replace(at, length, text);
}

void ReportText::Release()
{
    m_holding = false;
    if (m_held.isEmpty())
        return;
    // Held text was counted against the capacity when it came; a mended line may be a little
    // longer, which the margin that a full report frees covers.
    Add(std::exchange(m_held, QString()), true);
}

void ReportText::Add(const QString& text, bool showEnd)
{
    m_text += text;
    if (m_view)
        m_view->TextAppended(text, showEnd);
}

void ReportText::CutFromEnd(const QString& tail)
{
    if (m_holding) {
        if (m_held.endsWith(tail))
            m_held.chop(tail.size());
        return;
    }
    if (tail.isEmpty() || !m_text.endsWith(tail))
        return;
    m_text.chop(tail.size());
    if (m_view)
        m_view->TextTruncated(m_text.size());
}

QString ReportText::FullDescription() const
{
    return QStringLiteral("The report holds its maximum of %1 characters.")
        .arg(StrProc::NumberLocale().toString(m_capacity));
}

bool ReportText::BufferFull(Interaction& interaction, bool randomnessReport, bool encrypt)
{
    Release();
    // The notices below always fit: they are shorter than what is freed here.
    m_text.chop(qMin<qsizetype>(500, m_text.size()));
    if (m_view)
        m_view->TextTruncated(m_text.size());
    Add(QStringLiteral("\n\n"), false);

    bool stop = true;
    if (randomnessReport) {
        interaction.Tell(QStringLiteral("Report buffer full"),
                         QStringLiteral("The output report buffer has been filled.\n"
                                        "This randomness report cannot continue and will now "
                                        "terminate."),
                         Interaction::Icon::Exclamation);
        Add(QStringLiteral("The output report buffer was filled.\n"
                           "This randomness report was terminated at this point.\n"),
            false);
    } else {
        const Interaction::Button answer = interaction.Ask(
            QStringLiteral("Report buffer full"),
            QStringLiteral("The output report buffer has been filled, so this report cannot "
                           "continue.\n\nThe operation, however, may continue, but without "
                           "report of results for individual files.\nIt is recommended to "
                           "continue the operation.  Do you wish to continue?"),
            Interaction::Yes | Interaction::No, Interaction::Yes);
        Add(QStringLiteral("The output report buffer was filled.\n"), false);
        if (answer == Interaction::Yes) {
            Add(QStringLiteral("Subsequent operations on individual files will continue,\n"
                               "but results will not be reported here.\n\n"),
                false);
            quiet = true;
            stop = false;
        } else {
            Add(QStringLiteral("This operation was terminated at the user's request.\n") +
                    QStringLiteral("Note: Some files were not ") +
                    TxtEncDec(QStringLiteral("encrypted"), encrypt) + QStringLiteral(".\n"),
                false);
        }
    }
    if (m_view)
        m_view->TextAppended(QString(), true);
    return stop;
}
