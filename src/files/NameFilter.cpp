#include "NameFilter.h"

#include "StrProc.h"
#include "folder.h"

NameFilter::NameFilter(const QString& topFolder, const QString& spec)
    : m_spec(StrProc::TrimBlanks(spec))
{
    const bool wildcards = StrProc::HasWildcards(m_spec);
    if (wildcards && !folder::IsPattern(topFolder, m_spec))
        m_literalName = StrProc::LowerCaseText(m_spec);
    else
        m_all = m_spec == QStringLiteral("*.*");
}

bool NameFilter::matches(const QString& name) const
{
    if (m_all)
        return true;
    if (!m_literalName.isEmpty())
        return StrProc::LowerCaseText(name) == m_literalName;
    return StrProc::FileNameMatchesSpec(name, m_spec);
}
