#pragma once

#include <QString>

/// The service's TLS identity: a server certificate for localhost and
/// 127.0.0.1, issued by a private certificate authority that clients trust
/// through VELMORA_CA_FILE.
struct Certificates
{
    QString caFile; ///< empty when the certificate was given
    QString certFile;
    QString keyFile;

    /// Uses the files in \a folder when they are there, else creates a CA
    /// ("ca.pem", "ca.key") and a server certificate signed by it
    /// ("server.pem", "server.key"). Keys are written owner-only.
    static bool ensure(const QString &folder, Certificates &result, QString &error);
};
