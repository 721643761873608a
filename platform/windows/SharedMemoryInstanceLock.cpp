#include "platform/windows/SharedMemoryInstanceLock.h"

SharedMemoryInstanceLock::SharedMemoryInstanceLock(const QString &key)
    : m_memory(key)
{}

bool SharedMemoryInstanceLock::tryLock()
{
    if (m_held)
        return true;
    // Attaching and detaching at once clears a segment left behind by a copy
    // that ended without releasing it; a running copy's segment survives.
    if (m_memory.attach(QSharedMemory::ReadOnly))
        m_memory.detach();
    m_held = m_memory.create(1, QSharedMemory::ReadWrite);
    return m_held;
}
