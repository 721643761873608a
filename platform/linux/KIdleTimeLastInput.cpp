#include "platform/linux/KIdleTimeLastInput.h"

#include <KIdleTime>
#include <QGuiApplication>

#include <limits>
#include <utility>

KIdleTimeLastInput::KIdleTimeLastInput()
{
    m_clock.start();
}

bool KIdleTimeLastInput::isAvailable() const
{
    // KIdleTime has back-ends for X11 and Wayland only; elsewhere (the
    // offscreen platform, no display) it always answers 0.
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

std::optional<qint64> KIdleTimeLastInput::lastInputMs()
{
    if (m_quiet)
        return m_lastInputMs; // no input since: KIdleTime would have said so

    KIdleTime *idleTime = KIdleTime::instance();
    const int idleMs = idleTime->idleTime();
    const qint64 nowMs = m_clock.elapsed();
    if (!m_known || idleMs < m_lastIdleMs) {
        m_lastInputMs = nowMs - idleMs;
        m_known = true;
    }
    m_lastIdleMs = idleMs;

    if (idleMs >= QuietMs) {
        if (!m_resumeConnected) {
            // Input happened: the next reading takes its moment, however
            // late the event was delivered.
            QObject::connect(idleTime, &KIdleTime::resumingFromIdle, &m_receiver, [this] {
                m_quiet = false;
                m_lastIdleMs = std::numeric_limits<int>::max();
                if (const std::function<void()> resumed = std::exchange(m_resumed, nullptr))
                    resumed();
            });
            m_resumeConnected = true;
        }
        m_quiet = true;
        idleTime->catchNextResumeEvent();
    }
    return m_lastInputMs;
}

bool KIdleTimeLastInput::notifyAtNextInput(std::function<void()> resumed)
{
    if (!m_quiet)
        return false;
    m_resumed = std::move(resumed);
    return true;
}
