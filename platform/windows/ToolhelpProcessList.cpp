#include "platform/windows/ToolhelpProcessList.h"

#include <windows.h>
#include <tlhelp32.h>

bool ToolhelpProcessList::isRunning(const QString &executableName) const
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;

    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = QString::fromWCharArray(entry.szExeFile) == executableName;
    CloseHandle(snapshot);
    return found;
}
