#pragma once

#include "platform/Autostart.h"

#include <QSettings>

/// Autostart through a settings location whose values map entry names to
/// program paths: on Windows the per-user Run key of the registry, opened in
/// the native format.
///
/// An entry counts as switched on when its value converts to true the way
/// QVariant converts text: anything but empty, "0" and "false".
class RunKeyAutostart : public Autostart
{
public:
    RunKeyAutostart(const QString &location, QSettings::Format format);

    void add(const QString &name, const QString &program) override;
    void remove(const QString &name) override;
    bool contains(const QString &name) const override;

private:
    QString m_location;
    QSettings::Format m_format;
};
