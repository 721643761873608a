#pragma once

#include "platform/Autostart.h"

/// Autostart through the desktop's autostart folder
/// ($XDG_CONFIG_HOME/autostart, by default ~/.config/autostart).
///
/// The entry is the desktop file "velmora-team-monitor.desktop" whose Name is
/// the entry name and whose Exec starts the program. It counts as switched
/// on while the file exists and neither hides it (Hidden=true) nor turns it
/// off the GNOME way (X-GNOME-Autostart-enabled=false).
class XdgAutostart : public Autostart
{
public:
    void add(const QString &name, const QString &program) override;
    void remove(const QString &name) override;
    bool contains(const QString &name) const override;

    /// The full path of the entry's desktop file.
    static QString entryPath();
};
