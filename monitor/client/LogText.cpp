#include "client/LogText.h"

#include <QRegularExpression>

namespace LogText {

QString body(const QByteArray &body)
{
    if (body.size() <= BodyBytes)
        return QString::fromUtf8(body.constData(), body.size());
    return QString::fromUtf8(body.constData(), BodyBytes) + QStringLiteral("... (%1 bytes in all)").arg(body.size());
}

QString withoutPasswords(QString text)
{
    static const QRegularExpression password(QStringLiteral("(password=)[^&#\\s]*"));
    return text.replace(password, QStringLiteral("\\1***"));
}

} // namespace LogText
