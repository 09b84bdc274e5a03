#pragma once

#include <QString>

class Interaction;
class ReportView;

// The text of the report window: lines ending in "\n", growing as a run writes into it, up
// to a fixed capacity. A write that would pass the capacity throws RunError (ReportFull), which
// the writing run handles with BufferFull.
class ReportText
{
public:
    // 4 Mi characters: about 50,000 file lines, far more than a screen can usefully show.
    static constexpr qsizetype Capacity = 4 * 1024 * 1024;

    void SetView(ReportView* view) { m_view = view; }
    // A smaller capacity lets tests fill the report quickly.
    void SetCapacity(qsizetype capacity) { m_capacity = capacity; }

    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }

    // Set after the user chose to let an operation go on with a full report: per-file results
    // are then no longer written.
    bool quiet = false;

    void Clear();

    // Adds `text` at the end, quiet or not (headers, statistics).
    void Write(const QString& text);

    // Adds a per-file result; nothing while quiet. `showEnd` brings the end into view.
    void AppendToReport(const QString& text, bool showEnd);

    // Removes `tail` from the end of the text when the text ends with it.
    void CutFromEnd(const QString& tail);

    // Holding: per-file results are kept back from the text and the view until Release(), for
    // lines whose files are not done until a later moment (a group of outputs that reaches the
    // disk together). heldSize() is where the next result goes in the text held back, and
    // ReplaceHeld() changes a part of it.
    void Hold() { m_holding = true; }
    bool holding() const { return m_holding; }
    qsizetype heldSize() const { return m_held.size(); }
    void ReplaceHeld(qsizetype at, qsizetype length, const QString& text);
    // Adds what was held back to the text and stops holding.
    void Release();

    // The buffer-full handling: frees the last 500 characters and writes the notices, asking
    // the user whether an operation may go on without per-file results. True when the run
    // must stop (always for a randomness report).
    bool BufferFull(Interaction& interaction, bool randomnessReport, bool encrypt);

    // The description of the failure a full report raises.
    QString FullDescription() const;

private:
    void Add(const QString& text, bool showEnd);

    QString m_text;
    QString m_held;
    bool m_holding = false;
    ReportView* m_view = nullptr;
    qsizetype m_capacity = Capacity;
};
