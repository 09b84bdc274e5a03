#pragma once

#include <QString>

#include <stdexcept>

// A run-time failure inside a batch or a report: the step that raised it is abandoned, and the
// run shows `description` under "Error" before it decides whether to go on.
class RunError : public std::runtime_error
{
public:
    enum class Kind { ReportFull, Other };

    RunError(Kind kind, const QString& description)
        : std::runtime_error(description.toStdString()), m_kind(kind), m_description(description)
    {
    }
    Kind kind() const { return m_kind; }
    const QString& description() const { return m_description; }

private:
    Kind m_kind;
    QString m_description;
};
