#pragma once

#include "platform/InstanceLock.h"

#include <QSharedMemory>

/// A named shared-memory segment of one byte: whoever creates it holds the
/// lock until the process ends and the system frees the segment.
class SharedMemoryInstanceLock : public InstanceLock
{
public:
    explicit SharedMemoryInstanceLock(const QString &key);

    bool tryLock() override;

private:
    QSharedMemory m_memory;
    bool m_held = false;
};
