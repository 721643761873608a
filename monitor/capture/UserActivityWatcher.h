#pragma once

#include <QObject>

class QTimer;

/// Tells the recording controller that the user touched the keyboard or the
/// mouse: polls the platform's time of the last input ten times a second and
/// emits wasActivity() when it has moved forward since the previous poll.
/// While the user is still, polling pauses where the platform can report the
/// next input itself; while the caller already knows that input happened,
/// it pauses on the caller's word (hold() and release()).
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

    /// Stops polling until release(): the caller knows all it needs about
    /// input for now (the recording controller, once its current tick is
    /// active, until the next tick starts).
    void hold();
    /// Ends a hold: polling goes on from the current last-input time, so
    /// input during the hold is never reported. Nothing when not held.
    void release();

signals:
    /// Input happened since the previous poll; at most once per poll.
    void wasActivity();

public slots:
    /// One poll.
    void emitWasActivity();

private:
    explicit UserActivityWatcher(QObject *parent = nullptr);
    QTimer *timer() const;

    bool m_held = false;

    Q_DISABLE_COPY(UserActivityWatcher)
};
