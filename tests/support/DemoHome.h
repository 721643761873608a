#pragma once

// A home folder in which the demo account signed in on an earlier run, for
// end-to-end tests that start the real TALV already signed in.

#include "support/Files.h"

#include <QDir>
#include <QString>

namespace DemoHome {

/// The demo user's session in \a home: signed in, team 17, task 101, and
/// recording when \a active. Returns the data folder, or an empty path when
/// the files could not be written.
inline QString signIn(const QString &home, bool active)
{
    const QString login = QStringLiteral("demo@velmora.local");
    const QDir data(home + QStringLiteral("/.velmora"));
    const QByteArray session = QByteArrayLiteral("[General]\npassword=demo\nlogged=true\nactive=") +
                               (active ? "true" : "false") + "\nteamID=17\ntaskID=101\nisOnline=true\n";
    const bool written =
        data.mkpath(login) &&
        Files::write(data.filePath(QStringLiteral("config.ini")), "[General]\nlastLogin=" + login.toUtf8() + '\n') &&
        Files::write(data.filePath(login + QStringLiteral("/session.ini")), session);
    return written ? data.absolutePath() : QString();
}

/// The session file of the demo user in the data folder \a data.
inline QString sessionFile(const QString &data)
{
    return data + QStringLiteral("/demo@velmora.local/session.ini");
}

} // namespace DemoHome
