#pragma once

#include <QProcess>

#include <memory>
#include <vector>

/// The processes a test starts. clear() (and destruction) kills and reaps
/// whatever still runs, so no test leaves a child behind for the next one.
class ChildProcesses
{
public:
    ~ChildProcesses() { clear(); }

    QProcess *start(const QString &program, const QStringList &arguments, const QString &workingDirectory = QString())
    {
        m_processes.push_back(std::make_unique<QProcess>());
        QProcess *process = m_processes.back().get();
        if (!workingDirectory.isEmpty())
            process->setWorkingDirectory(workingDirectory);
        process->start(program, arguments);
        process->waitForStarted();
        return process;
    }

    void clear()
    {
        for (const auto &process : m_processes) {
            process->kill();
            process->waitForFinished();
        }
        m_processes.clear();
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
