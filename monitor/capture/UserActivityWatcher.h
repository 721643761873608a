#pragma once

#include <QObject>

/// Tells the recording controller that the user touched the keyboard or the
/// mouse: polls the time of the last input ten times a second and emits
/// wasActivity() when it moved.
///
/// This is its least form: the process-wide instance and start(). Polling
/// the platform's last-input time comes with the recording work; until then
/// no activity is reported.
class UserActivityWatcher : public QObject
{
    Q_OBJECT

public:
    static UserActivityWatcher *instance();

    /// Starts polling; false when activity cannot be watched on this desktop.
    bool start();

signals:
    void wasActivity();

private:
    explicit UserActivityWatcher(QObject *parent = nullptr);

    Q_DISABLE_COPY(UserActivityWatcher)
};
