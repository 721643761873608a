#pragma once

#include "platform/SessionEndWatcher.h"

class QSocketNotifier;

/// Turns SIGTERM, SIGINT and SIGHUP into endRequested() on the GUI thread.
///
/// The signal handler only writes the signal number into a socket pair; a
/// socket notifier reads it in the event loop, where anything may be done.
/// One watcher exists per process; its destruction restores the default
/// dispositions.
class UnixSignalSessionEnd : public SessionEndWatcher
{
    Q_OBJECT

public:
    explicit UnixSignalSessionEnd(QObject *parent = nullptr);
    ~UnixSignalSessionEnd() override;

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;

    Q_DISABLE_COPY(UnixSignalSessionEnd)
};
