#include "common/StyleSheet.h"

#include <QFile>

QString StyleSheet::application()
{
    QFile file(QStringLiteral(":/qss/main.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    return QString::fromLatin1(bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0')));
}
