#include "common/BuildInfo.h"

#include <QDate>
#include <QLocale>

QString BuildInfo::date()
{
    // __DATE__ pads a one-digit day with a blank ("Dec  9 2026"); the stamp
    // always has two digits.
    const QString compiler = QString::fromLatin1(__DATE__).simplified();
    const QDate built = QLocale::c().toDate(compiler, QStringLiteral("MMM d yyyy"));
    return built.isValid() ? QLocale::c().toString(built, QStringLiteral("MMM dd yyyy")) : compiler;
}

QString BuildInfo::time()
{
    return QString::fromLatin1(__TIME__);
}
