#pragma once

#include "platform/ProgramLauncher.h"

/// Starts programs as detached child processes. Linux asks for no raised
/// rights here, so the program simply starts as the current user.
class DetachedProcessLauncher : public ProgramLauncher
{
public:
    int start(const QString &program, const QString &arguments) override;
};
