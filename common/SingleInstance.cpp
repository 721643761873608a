#include "common/SingleInstance.h"

#include "platform/InstanceLock.h"
#include "platform/Platform.h"

#include <memory>

namespace {
std::unique_ptr<InstanceLock> &heldLock()
{
    static std::unique_ptr<InstanceLock> lock;
    return lock;
}
} // namespace

QString SingleInstance::key(const QString &applicationName)
{
    return QStringLiteral("SingleAppLock") + applicationName;
}

bool SingleInstance::lock(const QString &applicationName, const QString &fallbackFolder)
{
    std::unique_ptr<InstanceLock> &held = heldLock();
    if (!held)
        held = Platform::createInstanceLock(key(applicationName), fallbackFolder);
    return held->tryLock();
}

void SingleInstance::release()
{
    heldLock().reset();
}
