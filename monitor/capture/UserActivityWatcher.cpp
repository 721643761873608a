#include "capture/UserActivityWatcher.h"

#include "platform/LastInput.h"
#include "platform/Platform.h"

#include <QTimer>
#include <QVariant>

namespace {
const char *const timerProperty = "timer";
const char *const lastEventProperty = "lastEventTicks";
} // namespace

UserActivityWatcher *UserActivityWatcher::instance()
{
    // Created on first use and kept until the process ends, like the timers it drives.
    static UserActivityWatcher *watcher = new UserActivityWatcher;
    return watcher;
}

UserActivityWatcher::UserActivityWatcher(QObject *parent)
    : QObject(parent)
{
    auto *timer = new QTimer(this);
    timer->setInterval(100);
    connect(timer, &QTimer::timeout, this, &UserActivityWatcher::emitWasActivity);
    setProperty(timerProperty, QVariant::fromValue<QObject *>(timer));
}

QTimer *UserActivityWatcher::timer() const
{
    return qobject_cast<QTimer *>(property(timerProperty).value<QObject *>());
}

bool UserActivityWatcher::start()
{
    LastInput &lastInput = Platform::lastInput();
    if (!lastInput.isAvailable())
        return false;
    setProperty(lastEventProperty, lastInput.lastInputMs().value_or(0));
    if (!m_held)
        timer()->start();
    return true;
}

void UserActivityWatcher::hold()
{
    m_held = true;
    timer()->stop();
}

void UserActivityWatcher::release()
{
    if (!m_held)
        return;
    m_held = false;
    if (!property(lastEventProperty).isValid())
        return; // never started: nothing to poll
    if (const std::optional<qint64> now = Platform::lastInput().lastInputMs())
        setProperty(lastEventProperty, *now);
    timer()->start();
}

void UserActivityWatcher::emitWasActivity()
{
    const std::optional<qint64> now = Platform::lastInput().lastInputMs();
    if (!now)
        return; // a failed query counts as no input
    // "Greater", not "different": when a platform's counter wraps, that one
    // poll reports nothing and the next input is seen normally.
    if (*now - property(lastEventProperty).toLongLong() > 0)
        emit wasActivity();
    setProperty(lastEventProperty, *now);

    // While the user is still, a platform that can report the next input
    // spares the program ten wake-ups a second: polling pauses until then
    // and resumes with a poll at once (unless a hold began meanwhile).
    if (m_held)
        return;
    const bool paused = Platform::lastInput().notifyAtNextInput([this] {
        if (m_held)
            return;
        timer()->start();
        emitWasActivity();
    });
    if (paused)
        timer()->stop();
}
