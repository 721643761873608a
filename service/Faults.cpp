#include "Faults.h"

std::optional<Faults::Kind> Faults::kindFromName(const QString &name)
{
    static const std::map<QString, Kind> kinds{{QStringLiteral("stall"), Kind::Stall},
                                               {QStringLiteral("close"), Kind::Close},
                                               {QStringLiteral("html"), Kind::Html},
                                               {QStringLiteral("dberror"), Kind::DatabaseError},
                                               {QStringLiteral("invalid_login"), Kind::InvalidLogin},
                                               {QStringLiteral("body"), Kind::Body}};
    const auto it = kinds.find(name);
    return it == kinds.end() ? std::nullopt : std::optional<Kind>(it->second);
}

void Faults::arm(const QString &path, const Fault &fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (fault.count > 0)
        m_armed[path] = fault;
    else
        m_armed.erase(path);
}

std::optional<Faults::Fault> Faults::take(const QString &path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_armed.find(path);
    if (it == m_armed.end())
        return std::nullopt;
    const Fault fault = it->second;
    if (--it->second.count <= 0)
        m_armed.erase(it);
    return fault;
}

void Faults::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_armed.clear();
}
