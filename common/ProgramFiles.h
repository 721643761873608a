#pragma once

#include <QString>

/// The program folder, which holds both programs, and starting a program
/// from it.
///
/// Both programs find each other in the folder of the running executable,
/// never in the current directory: a program started from a menu or at logon
/// has some other current directory.
class ProgramFiles
{
public:
    /// The folder of the running executable.
    static QString folder();
    /// Makes folder() answer \a folder instead (tests); empty restores it.
    static void setFolder(const QString &folder);
    /// The platform's file names of the two programs ("TALV", "TALV.exe", ...).
    static QString monitorFileName();
    static QString updaterFileName();
    /// \a fileName inside the program folder.
    static QString pathOf(const QString &fileName);

    /// Starts the program \a fileName of the program folder with
    /// \a arguments. Returns the launcher's result: above 32 when started.
    static int start(const QString &fileName, const QString &arguments);
};

/// Whether a process of the current user runs whose executable file name is
/// exactly \a name (no folder, case-sensitive).
bool isProcessRunning(const QString &name);
