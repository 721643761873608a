#pragma once

#include <QObject>

/// Tells the program that the desktop session, the system or the user asks it
/// to end: on Linux the signals SIGTERM, SIGINT and SIGHUP.
///
/// The program answers by ending the way its own exit action does, so that a
/// logout or shutdown loses nothing. This base class never reports anything;
/// platforms with such a notice derive from it.
class SessionEndWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SessionEndWatcher(QObject *parent = nullptr);

signals:
    /// Emitted on the GUI thread, once per request.
    void endRequested(int reason);

private:
    Q_DISABLE_COPY(SessionEndWatcher)
};
