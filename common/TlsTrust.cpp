#include "common/TlsTrust.h"

#include <QDebug>
#include <QSslCertificate>

QSslConfiguration TlsTrust::configuration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QString caFile = qEnvironmentVariable("VELMORA_CA_FILE");
    if (!caFile.isEmpty()) {
        const QList<QSslCertificate> authorities = QSslCertificate::fromPath(caFile, QSsl::Pem);
        if (authorities.isEmpty())
            qWarning() << "VELMORA_CA_FILE names no readable PEM certificate:" << caFile;
        QList<QSslCertificate> trusted = configuration.caCertificates();
        trusted += authorities;
        configuration.setCaCertificates(trusted);
    }
    return configuration;
}
