#pragma once

#include <QObject>

/// Tells the recording controller that the user touched the keyboard or the
/// mouse: polls the platform's time of the last input ten times a second and
/// emits wasActivity() when it has moved forward since the previous poll.
/// While the user is still, polling pauses where the platform can report the
/// next input itself.
///
/// It keeps its state in two dynamic properties: "timer" (the poll timer, a
/// child of the watcher) and "lastEventTicks" (the last-input time seen by
/// the previous poll, a 64-bit integer).
class UserActivityWatcher : public QObject
{
    Q_OBJECT

public:
    /// The process-wide watcher, created on first use.
    static UserActivityWatcher *instance();

    /// Takes the current last-input time as the baseline and starts polling.
    /// False when this desktop cannot tell when input happened (no display
    /// server the platform supports): nothing is polled then.
    bool start();

signals:
    /// Input happened since the previous poll; at most once per poll.
    void wasActivity();

public slots:
    /// One poll.
    void emitWasActivity();

private:
    explicit UserActivityWatcher(QObject *parent = nullptr);

    Q_DISABLE_COPY(UserActivityWatcher)
};
