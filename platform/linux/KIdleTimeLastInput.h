#pragma once

#include "platform/LastInput.h"

#include <QElapsedTimer>

/// The last input from KDE's KIdleTime, which knows the idle time on X11 and
/// on Wayland compositors that publish it: last input = now − idle time.
///
/// Now and the idle time are read a few milliseconds apart, so the derived
/// moment jitters between polls. It is therefore moved only when the idle
/// time has fallen since the previous reading, which only input does: a user
/// who touches nothing never produces a new value.
class KIdleTimeLastInput : public LastInput
{
public:
    KIdleTimeLastInput();

    bool isAvailable() const override;
    std::optional<qint64> lastInputMs() override;

private:
    QElapsedTimer m_clock;
    bool m_known = false;
    int m_lastIdleMs = 0;
    qint64 m_lastInputMs = 0;
};
