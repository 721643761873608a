#include "platform/windows/ShellExecuteLauncher.h"

#include <QDir>
#include <QOperatingSystemVersion>

#include <windows.h>
#include <shellapi.h>

namespace {

// Vista is 6.0, Windows 7 is 6.1 and Windows 8 is 6.2; 8.1 (6.3) and later
// raise rights on their own when the program's manifest asks for it.
bool needsRunAs()
{
    const QOperatingSystemVersion current = QOperatingSystemVersion::current();
    return current.majorVersion() == 6 && current.minorVersion() <= 2;
}

} // namespace

int ShellExecuteLauncher::start(const QString &program, const QString &arguments)
{
    const std::wstring verb = needsRunAs() ? L"runas" : L"open";
    const std::wstring file = QDir::toNativeSeparators(program).toStdWString();
    const std::wstring parameters = arguments.toStdWString();
    const HINSTANCE result =
        ShellExecuteW(nullptr, verb.c_str(), file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}
