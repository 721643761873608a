#pragma once

#include <QString>
#include <QtGlobal>

/// The log both programs write: one process-wide file in the data folder.
///
/// Every debug, warning, critical and fatal message becomes one line
/// `Message(<level>) at <UTC time>Z: <text>` in the file, optionally a copy on
/// the standard output (ended by "\n\r"), and is then passed on to the
/// handler that was installed before. Info messages and later levels are
/// dropped entirely. Messages written while no file is open still reach the
/// standard output and the previous handler.
class Log
{
public:
    enum class Echo
    {
        None,          ///< file and previous handler only (the updater)
        StandardOutput ///< also a UTF-8 copy on the standard output (the monitor)
    };

    /// Opens \a path for appending as the process log, after deleting it when
    /// it is larger than \a maxBytes. Returns false when it cannot be opened;
    /// logging then goes on without the file.
    static bool open(const QString &path, qint64 maxBytes);
    /// Closes the log file; later messages skip it.
    static void close();
    static bool isOpen();

    /// Installs the message handler, remembering the handler it replaces.
    static void install(Echo echo);
    /// Restores the handler that install() replaced (tests).
    static void uninstall();

    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text);
};
