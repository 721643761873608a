#pragma once

#include <QDir>
#include <QObject>
#include <QString>

/// The signed-in user's state and settings files, reached through the server
/// client as `Velmora::Session`.
///
/// This is its least form, enough for start-up: the flags start-up reads.
/// Loading and saving the INI files, the day's counters and the cached teams,
/// tasks and descriptions come with the domain model.
class Session : public QObject
{
    Q_OBJECT

public:
    /// A session keeping its files in \a dataFolder, owned by \a owner.
    Session(const QDir &dataFolder, QObject *owner);

    /// Restores the last signed-in user from config.ini (to come).
    void restoreLastLogin();
    /// Writes the session back to its files (to come).
    void save();

    QString login() const { return m_login; }
    bool logged() const { return m_logged; }
    bool active() const { return m_active; }
    bool isOnline() const { return m_isOnline; }

private:
    QDir m_dataFolder;
    QString m_login;
    bool m_active = false;
    bool m_logged = false;
    bool m_isOnline = true;

    Q_DISABLE_COPY(Session)
};
