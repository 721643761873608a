#include "common/AppIdentity.h"

#include <QCoreApplication>

void AppIdentity::apply(const QString &applicationName, const QString &version)
{
    QCoreApplication::setOrganizationName(organisation());
    QCoreApplication::setOrganizationDomain(organisation());
    QCoreApplication::setApplicationName(applicationName);
    QCoreApplication::setApplicationVersion(version);
}
