#pragma once

#include <QObject>

/// The monitor's entry in the list of programs the desktop starts at logon,
/// keyed by the application name and pointing at the running program file.
class AutoRun : public QObject
{
    Q_OBJECT

public:
    explicit AutoRun(QObject *parent = nullptr);

public slots:
    /// Adds the entry when \a enable is true, removes it otherwise; returns
    /// \a enable. The write is not read back.
    bool enable(bool enable);
    /// Whether the entry exists and is switched on.
    bool isEnabled();

private:
    Q_DISABLE_COPY(AutoRun)
};
