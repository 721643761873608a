#include "platform/Platform.h"

#include "platform/Autostart.h"
#include "platform/InstanceLock.h"
#include "platform/LastInput.h"
#include "platform/ProcessList.h"
#include "platform/ProgramLauncher.h"
#include "platform/SessionEndWatcher.h"

// The one place that chooses between the platforms' implementations.
#if defined(Q_OS_WIN)
#include "platform/RunKeyAutostart.h"
#include "platform/windows/LastInputInfo.h"
#include "platform/windows/SharedMemoryInstanceLock.h"
#include "platform/windows/ShellExecuteLauncher.h"
#include "platform/windows/ToolhelpProcessList.h"
#else
#include "platform/linux/DetachedProcessLauncher.h"
#include "platform/linux/KIdleTimeLastInput.h"
#include "platform/linux/LockFileInstanceLock.h"
#include "platform/linux/ProcFsProcessList.h"
#include "platform/linux/UnixSignalSessionEnd.h"
#include "platform/linux/XdgAutostart.h"
#endif

namespace {

template<typename Interface>
struct Service
{
    std::unique_ptr<Interface> instance;

    template<typename Make>
    Interface &get(Make make)
    {
        if (!instance)
            instance = make();
        return *instance;
    }
};

Service<Autostart> &autostartService()
{
    static Service<Autostart> service;
    return service;
}

Service<ProcessList> &processService()
{
    static Service<ProcessList> service;
    return service;
}

Service<ProgramLauncher> &launcherService()
{
    static Service<ProgramLauncher> service;
    return service;
}

Service<LastInput> &lastInputService()
{
    static Service<LastInput> service;
    return service;
}

std::unique_ptr<LastInput> makeLastInput()
{
#if defined(Q_OS_WIN)
    return std::make_unique<LastInputInfo>();
#else
    return std::make_unique<KIdleTimeLastInput>();
#endif
}

std::unique_ptr<Autostart> makeAutostart()
{
#if defined(Q_OS_WIN)
    return std::make_unique<RunKeyAutostart>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat);
#else
    return std::make_unique<XdgAutostart>();
#endif
}

std::unique_ptr<ProcessList> makeProcessList()
{
#if defined(Q_OS_WIN)
    return std::make_unique<ToolhelpProcessList>();
#else
    return std::make_unique<ProcFsProcessList>();
#endif
}

std::unique_ptr<ProgramLauncher> makeLauncher()
{
#if defined(Q_OS_WIN)
    return std::make_unique<ShellExecuteLauncher>();
#else
    return std::make_unique<DetachedProcessLauncher>();
#endif
}

} // namespace

Autostart &Platform::autostart()
{
    return autostartService().get(makeAutostart);
}

ProcessList &Platform::processes()
{
    return processService().get(makeProcessList);
}

ProgramLauncher &Platform::launcher()
{
    return launcherService().get(makeLauncher);
}

LastInput &Platform::lastInput()
{
    return lastInputService().get(makeLastInput);
}

void Platform::setLastInput(std::unique_ptr<LastInput> replacement)
{
    lastInputService().instance = std::move(replacement);
}

void Platform::setAutostart(std::unique_ptr<Autostart> replacement)
{
    autostartService().instance = std::move(replacement);
}

void Platform::setProcesses(std::unique_ptr<ProcessList> replacement)
{
    processService().instance = std::move(replacement);
}

void Platform::setLauncher(std::unique_ptr<ProgramLauncher> replacement)
{
    launcherService().instance = std::move(replacement);
}

std::unique_ptr<InstanceLock> Platform::createInstanceLock(const QString &key, const QString &fallbackFolder)
{
#if defined(Q_OS_WIN)
    Q_UNUSED(fallbackFolder)
    return std::make_unique<SharedMemoryInstanceLock>(key);
#else
    return std::make_unique<LockFileInstanceLock>(key, fallbackFolder);
#endif
}

SessionEndWatcher *Platform::createSessionEndWatcher(QObject *parent)
{
#if defined(Q_OS_WIN)
    // The Windows end-of-session message is not handled yet: nothing is reported.
    return new SessionEndWatcher(parent);
#else
    return new UnixSignalSessionEnd(parent);
#endif
}

QString Platform::executableName(const QString &baseName)
{
#if defined(Q_OS_WIN)
    return baseName + QStringLiteral(".exe");
#else
    return baseName;
#endif
}
