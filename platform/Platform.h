#pragma once

#include <QString>

#include <memory>

class Autostart;
class InstanceLock;
class LastInput;
class ProcessList;
class ProgramLauncher;
class QObject;
class SessionEndWatcher;

/// Entry to the operating-system services, implemented per platform.
///
/// The shared services are created on first use and live until exit. Tests
/// replace them with the fakes of platform/fake through the setters; passing
/// nullptr brings the platform's own implementation back.
class Platform
{
public:
    static Autostart &autostart();
    static ProcessList &processes();
    static ProgramLauncher &launcher();
    static LastInput &lastInput();

    static void setAutostart(std::unique_ptr<Autostart> replacement);
    static void setProcesses(std::unique_ptr<ProcessList> replacement);
    static void setLauncher(std::unique_ptr<ProgramLauncher> replacement);
    static void setLastInput(std::unique_ptr<LastInput> replacement);

    /// A lock named \a key; platforms that lock with files keep the file in
    /// the per-user runtime folder, else in \a fallbackFolder.
    static std::unique_ptr<InstanceLock> createInstanceLock(const QString &key, const QString &fallbackFolder);

    /// The watcher for end-of-session requests, owned by \a parent.
    static SessionEndWatcher *createSessionEndWatcher(QObject *parent);

    /// The platform's file name of the program called \a baseName
    /// ("TALV" becomes "TALV.exe" on Windows).
    static QString executableName(const QString &baseName);
};
