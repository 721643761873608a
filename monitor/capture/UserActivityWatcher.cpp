#include "capture/UserActivityWatcher.h"

UserActivityWatcher *UserActivityWatcher::instance()
{
    // Created on first use and kept until the process ends, like the timers it drives.
    static UserActivityWatcher *watcher = new UserActivityWatcher;
    return watcher;
}

UserActivityWatcher::UserActivityWatcher(QObject *parent)
    : QObject(parent)
{}

bool UserActivityWatcher::start()
{
    return true;
}
