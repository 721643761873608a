#include "UpdateFiles.h"

#include <QRegularExpression>
#include <QVariantMap>

bool UpdateFiles::isBareFileName(const QString &name)
{
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:\\x{0000}]"));
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(unsafe) &&
           !name.endsWith(partialSuffix()) && name.trimmed() == name;
}

UpdateFiles::UpdateFiles(const QVariantList &updateList)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    QList<UpdateFile> files;
    for (int i = 1; i < updateList.size(); ++i) {
        const QVariantMap entry = updateList.at(i).toMap();
        const QString name = entry.value(QStringLiteral("name")).toString();
        const QString address = entry.value(QStringLiteral("url")).toString();
        const QString digest = entry.value(QStringLiteral("sha256")).toString();
        // Names are quoted cut short: they come from the network.
        const QString quoted = QLatin1Char('"') + name.left(80) + QLatin1Char('"');
        if (!isBareFileName(name)) {
            m_error = QStringLiteral("Недопустимое имя файла обновления: ") + quoted;
            return;
        }
        const QUrl url(address, QUrl::StrictMode);
        if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
            m_error = QStringLiteral("Файл ") + quoted + QStringLiteral(" можно загрузить только по https");
            return;
        }
        if (entry.contains(QStringLiteral("sha256")) && !hex.match(digest).hasMatch()) {
            m_error = QStringLiteral("Неверная контрольная сумма файла ") + quoted;
            return;
        }
        files.append({name, url, QByteArray::fromHex(digest.toLatin1())});
    }
    m_files = files;
}
