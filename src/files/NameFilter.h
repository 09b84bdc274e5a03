#pragma once

#include <QString>

// The file names that a file specification selects. A specification with "?" or "*" is a
// pattern, matched without regard to letter case (StrProc::FileNameMatchesSpec); "*.*" selects
// every name. Any other specification, and the name of a file the user picked, selects that one
// name exactly: Linux names that differ only in letter case are different files, and "?" and "*"
// are ordinary characters of a name.
class NameFilter
{
public:
    enum class Kind {
        Specification, // a folder's specification: a pattern when it holds "?" or "*"
        PickedName,    // the name of one file the user picked: always that name
    };

    explicit NameFilter(const QString& spec, Kind kind = Kind::Specification);

    bool matches(const QString& name) const;
    // True when every name is selected without looking at it ("*.*" as a pattern).
    bool selectsAll() const { return m_all; }
    // True for a pattern with "?" or "*"; false for one name and for the empty specification.
    bool isPattern() const { return !m_exact && !m_spec.isEmpty(); }

private:
    QString m_spec;
    bool m_exact = false;
    bool m_all = false;
};
