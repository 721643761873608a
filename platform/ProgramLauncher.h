#pragma once

#include <QString>

/// Starts another program detached from the caller, with raised rights where
/// the system asks for them.
///
/// The result uses the codes of the Windows shell on every platform, so
/// callers have one rule: a value above 32 means the program was started.
class ProgramLauncher
{
public:
    /// Result codes below 33 that callers tell apart.
    enum Result : int
    {
        FileNotFound = 2, ///< no file at the given path
        PathNotFound = 3, ///< the folder of the given path does not exist
        AccessDenied = 5, ///< the user refused to raise the rights
        BadFormat = 11,   ///< the file exists but is no program that can be started
        Started = 33      ///< the lowest value meaning success
    };

    virtual ~ProgramLauncher() = default;

    /// Starts \a program (an absolute path) with \a arguments, one string
    /// split by the shell's quoting rules. The child inherits the caller's
    /// current directory.
    virtual int start(const QString &program, const QString &arguments) = 0;
};
