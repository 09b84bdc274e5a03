#include "NameFilter.h"

#include "StrProc.h"

NameFilter::NameFilter(const QString& spec, Kind kind) : m_spec(spec)
{
    m_exact = kind == Kind::PickedName;
    m_all = !m_exact && spec == QStringLiteral("*.*");
    m_wildcards = !m_exact && StrProc::HasWildcards(spec);
}

bool NameFilter::matches(const QString& name) const
{
    if (m_all)
        return true;
    if (m_exact)
        return name == m_spec;
    return StrProc::FileNameMatchesSpec(name, m_spec);
}
