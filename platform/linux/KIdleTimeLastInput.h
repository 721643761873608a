#pragma once

#include "platform/LastInput.h"

#include <QElapsedTimer>
#include <QObject>

/// The last input from KDE's KIdleTime, which knows the idle time on X11 and
/// on Wayland compositors that publish it: last input = now − idle time.
///
/// Now and the idle time are read a few milliseconds apart, so the derived
/// moment jitters between polls. It is therefore moved only when the idle
/// time has fallen since the previous reading, which only input does: a user
/// who touches nothing never produces a new value.
///
/// Each reading is a round trip to the display server. Once the user has been
/// still for a second, readings stop and KIdleTime is asked to report the
/// next input instead; until it does, the last input stays where it was, and
/// a caller that asked is told when it comes.
class KIdleTimeLastInput : public LastInput
{
public:
    KIdleTimeLastInput();

    bool isAvailable() const override;
    std::optional<qint64> lastInputMs() override;
    bool notifyAtNextInput(std::function<void()> resumed) override;

    /// How long the user must be still before readings stop (milliseconds).
    static constexpr int QuietMs = 1000;

private:
    QElapsedTimer m_clock;
    bool m_known = false;
    int m_lastIdleMs = 0;
    qint64 m_lastInputMs = 0;
    /// Still for QuietMs and waiting for KIdleTime's next resume event.
    bool m_quiet = false;
    bool m_resumeConnected = false;
    std::function<void()> m_resumed;
    QObject m_receiver; ///< ties the resume connection to this object's life
};
