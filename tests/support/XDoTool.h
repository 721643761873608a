#pragma once

// Driving real windows as a user would, through xdotool, for end-to-end
// tests under an X server of their own.

#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QStringList>

namespace XDoTool {

/// Runs xdotool with \a arguments; its output, or a null array when it failed
/// or ran longer than 20 seconds.
inline QByteArray run(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return QByteArray();
    }
    return process.readAllStandardOutput().append('\0').chopped(1);
}

/// The first line of a window search that waits for its window. xdotool
/// fails outright when a window goes away while it searches (the sign-in
/// dialog closing as the strip opens, say): it is asked again until 20
/// seconds are up.
inline QString searchUntilFound(const QStringList &arguments)
{
    QElapsedTimer clock;
    clock.start();
    do {
        const QByteArray found = run(arguments);
        if (!found.isEmpty())
            return QString::fromLatin1(found.split('\n').first());
    } while (clock.elapsed() < 20000);
    return QString();
}

/// The id of the first window whose title matches \a pattern, waiting for it.
inline QString waitForWindow(const QString &pattern)
{
    return searchUntilFound({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"), pattern});
}

/// The id of the first shown window whose title matches \a pattern, waiting
/// for it (hidden windows of the same title are passed over).
inline QString waitForShownWindow(const QString &pattern)
{
    return searchUntilFound({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                             QStringLiteral("--name"), pattern});
}

/// Whether a window whose title matches \a pattern is shown.
inline bool isShown(const QString &pattern)
{
    return !run({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern})
                .isEmpty();
}

/// The top left corner of \a window on the screen; (0, 0) when unknown.
inline QPoint windowPosition(const QString &window)
{
    const QByteArray shell = run({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QPoint position;
    for (const QByteArray &line : shell.split('\n')) {
        if (line.startsWith("X="))
            position.setX(line.mid(2).toInt());
        else if (line.startsWith("Y="))
            position.setY(line.mid(2).toInt());
    }
    return position;
}

/// Moves the pointer to \a point and clicks the left button; false when
/// xdotool failed.
inline bool click(const QPoint &point)
{
    return !run({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                 QStringLiteral("click"), QStringLiteral("1")})
                .isNull();
}

} // namespace XDoTool
