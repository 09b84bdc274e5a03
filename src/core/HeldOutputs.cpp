#include "HeldOutputs.h"

#include "BatchContext.h"
#include "BatchRequest.h"
#include "FileResultText.h"
#include "ReportText.h"
#include "ZR7FileOps.h"
#include "files/NameBytes.h"
#include "support/Interaction.h"

void HeldOutputs::Before(qint64 size, bool newOutput)
{
    const bool grouped = newOutput && size < GroupedBelow;
    if (!grouped)
        Finish();
    c.ops.HoldOutputs(grouped);
    if (grouped)
        c.report.Hold();
}

void HeldOutputs::Noted(qsizetype at, const QString& inputPath, qint64 size)
{
    m_members.append(Member{c.report.holding() ? at : 0, -1, inputPath, size});
}

void HeldOutputs::NotedEnd(qsizetype end)
{
    if (!m_members.isEmpty() && c.report.holding())
        m_members.last().length = end - m_members.last().at;
}

void HeldOutputs::CommitIfDue()
{
    if (c.ops.OutputsDue())
        Commit();
}

void HeldOutputs::Commit()
{
    const bool holding = c.report.holding();
    const std::vector<FileResult> results = c.ops.CommitOutputs();
    // From the last member to the first, so that the places of the earlier ones stay valid.
    for (auto i = qsizetype(results.size()); i-- > 0;) {
        if (results[std::size_t(i)] == FileResult::Done || i >= m_members.size())
            continue;
        const Member& member = m_members[i];
        --c.counters.filesDone;
        c.counters.bytesDone -= member.size;
        if (member.length > 0)
            c.report.ReplaceHeld(
                member.at, member.length,
                FileResultText::FailureText(results[std::size_t(i)], c.request.encrypt,
                                            NameBytes::Shown(member.inputPath), QString()));
    }
    m_members.clear();
    const bool lines = c.report.heldSize() > 0;
    c.report.Release();
    if (holding)
        c.report.Hold();
    // The window shows the lines now, not only at the next file that takes a while.
    if (lines)
        c.interaction.ProcessEvents();
}

void HeldOutputs::Finish()
{
    Commit();
    c.report.Release();
    c.ops.HoldOutputs(false);
}
