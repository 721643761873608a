#pragma once

#include "platform/Autostart.h"

#include <QMap>
#include <QStringList>

/// Autostart kept in memory; records every write so tests can tell that
/// merely reading the state wrote nothing.
class FakeAutostart : public Autostart
{
public:
    void add(const QString &name, const QString &program) override
    {
        entries.insert(name, program);
        writes << QStringLiteral("add ") + name;
    }
    void remove(const QString &name) override
    {
        entries.remove(name);
        writes << QStringLiteral("remove ") + name;
    }
    bool contains(const QString &name) const override { return entries.contains(name); }

    QMap<QString, QString> entries;
    QStringList writes;
};
