#include "platform/windows/LastInputInfo.h"

#include <windows.h>

std::optional<qint64> LastInputInfo::lastInputMs()
{
    LASTINPUTINFO info;
    info.cbSize = sizeof(LASTINPUTINFO);
    info.dwTime = 0;
    if (!GetLastInputInfo(&info))
        return std::nullopt;
    return qint64(quint32(info.dwTime));
}
