#pragma once

#include <QString>

// The file names that a file specification selects: a folder's specification by the pattern
// rule (StrProc::FileNameMatchesSpec, without regard to letter case, where ".txt" selects every
// name with the extension txt and "report." selects report with any extension or none); "*.*"
// selects every name. The name of a file the user picked selects that one name byte for byte:
// names that differ only in letter case are different files on Linux, and "?" and "*" are
// ordinary characters of a name.
class NameFilter
{
public:
    enum class Kind {
        Specification, // a folder's specification, matched by the pattern rule
        PickedName,    // the name of one file the user picked: always that name
    };

    explicit NameFilter(const QString& spec, Kind kind = Kind::Specification);

    bool matches(const QString& name) const;
    // True when every name is selected without looking at it ("*.*" as a pattern).
    bool selectsAll() const { return m_all; }
    // True for a specification with "?" or "*"; false for a picked name, a specification
    // without wildcards (which reads as a name) and the empty specification.
    bool isPattern() const { return m_wildcards; }

private:
    QString m_spec;
    bool m_exact = false;
    bool m_all = false;
    bool m_wildcards = false;
};
