#pragma once

#include <QString>

/// Names and versions both programs give themselves at start, and the names
/// of their program files.
class AppIdentity
{
public:
    static QString organisation() { return QStringLiteral("Velmora"); }
    static QString monitorName() { return QStringLiteral("Velmora Team Monitor"); }
    static QString monitorVersion() { return QStringLiteral("1.1.0"); }
    static QString updaterName() { return monitorName() + QStringLiteral(" Update"); }
    static QString updaterVersion() { return QStringLiteral("1.0.1"); }

    /// Program files without the platform's ending (Platform::executableName adds it).
    static QString monitorBaseName() { return QStringLiteral("TALV"); }
    static QString updaterBaseName() { return QStringLiteral("TALV-update"); }

    /// Sets organisation name and domain, application name and version.
    static void apply(const QString &applicationName, const QString &version);
};
