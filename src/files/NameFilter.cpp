#include "NameFilter.h"

#include "StrProc.h"

NameFilter::NameFilter(const QString& spec, Kind kind) : m_spec(spec)
{
    // An empty specification is the pattern that selects every name.
    m_exact = kind == Kind::PickedName || (!spec.isEmpty() && !StrProc::HasWildcards(spec));
    m_all = !m_exact && spec == QStringLiteral("*.*");
}

bool NameFilter::matches(const QString& name) const
{
    if (m_all)
        return true;
    if (m_exact)
        return name == m_spec;
    return StrProc::FileNameMatchesSpec(name, m_spec);
}
