#pragma once

#include "platform/ProgramLauncher.h"

/// Starts programs through the Windows shell: with the verb "runas" (the
/// elevation prompt) on Windows Vista, 7 and 8, with "open" elsewhere. The
/// result is the shell's own code.
class ShellExecuteLauncher : public ProgramLauncher
{
public:
    int start(const QString &program, const QString &arguments) override;
};
