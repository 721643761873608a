#include "common/StyleSheet.h"

#include <QFile>

QString StyleSheet::application()
{
    QFile file(QStringLiteral(":/qss/main.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    const int end = bytes.indexOf('\0');
    return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
}
