#pragma once

/// A named lock held by at most one process of the current user at a time.
///
/// The lock is released when its holder ends, however it ends (a crash or
/// `kill -9` included), so a copy that died never blocks the next start.
class InstanceLock
{
public:
    virtual ~InstanceLock() = default;

    /// True when this process now holds the lock; false when another running
    /// process holds it. Releasing happens on destruction.
    virtual bool tryLock() = 0;
};
