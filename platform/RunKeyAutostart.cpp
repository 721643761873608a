#include "platform/RunKeyAutostart.h"

RunKeyAutostart::RunKeyAutostart(const QString &location, QSettings::Format format)
    : m_location(location)
    , m_format(format)
{}

void RunKeyAutostart::add(const QString &name, const QString &program)
{
    QSettings key(m_location, m_format);
    key.setValue(name, program);
}

void RunKeyAutostart::remove(const QString &name)
{
    QSettings key(m_location, m_format);
    key.remove(name);
}

bool RunKeyAutostart::contains(const QString &name) const
{
    const QSettings key(m_location, m_format);
    return key.value(name, false).toBool();
}
