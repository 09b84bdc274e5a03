#pragma once

#include <QString>

// The file names that an input file specification selects in a folder tree. A specification
// that is the exact name of a file in the top folder selects files of that name, even when the
// name holds "?" or "*" (ordinary characters of a Linux name); any other specification is
// matched as a pattern. Letter case is ignored either way.
class NameFilter
{
public:
    NameFilter(const QString& topFolder, const QString& spec);

    bool matches(const QString& name) const;
    // True when every name is selected without looking at it ("*.*" as a pattern).
    bool selectsAll() const { return m_all; }

private:
    QString m_spec;
    QString m_literalName; // folded; empty unless the specification is taken literally
    bool m_all = false;
};
