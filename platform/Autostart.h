#pragma once

#include <QString>

/// The user's list of programs that the desktop starts at logon.
///
/// Entries are keyed by a display name (the application name). An entry
/// starts one program file, given as an absolute path without arguments.
class Autostart
{
public:
    virtual ~Autostart() = default;

    /// Adds the entry \a name starting \a program, replacing any entry of that
    /// name. A failed write is not reported.
    virtual void add(const QString &name, const QString &program) = 0;
    /// Removes the entry \a name; nothing happens when there is none.
    virtual void remove(const QString &name) = 0;
    /// Whether the entry \a name exists and is switched on. The program it
    /// points to is not checked: a stale path still counts.
    virtual bool contains(const QString &name) const = 0;
};
