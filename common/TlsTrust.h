#pragma once

#include <QSslConfiguration>

/// Whom both programs trust on HTTPS: the system's certificate authorities,
/// and those in the PEM file named by the environment variable
/// VELMORA_CA_FILE (the stand-in service's own authority, for tests and the
/// demo). Certificates are always verified.
class TlsTrust
{
public:
    static QSslConfiguration configuration();
};
