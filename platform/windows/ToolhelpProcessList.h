#pragma once

#include "platform/ProcessList.h"

/// The running processes from a Toolhelp snapshot, compared by the
/// executable file name the snapshot reports.
class ToolhelpProcessList : public ProcessList
{
public:
    bool isRunning(const QString &executableName) const override;
};
