// update.json as it lies on disk, and the version file as the service
// sends it (pieces cut at a "--8<--" line): the monitor's reader and the
// updater's check of the file entries take anything, and no entry that
// passes the check names anything but a bare file name at an https address.

#include "FuzzSupport.h"
#include "UpdateFiles.h"
#include "client/UpdateInfo.h"
#include "client/Velmora.h"

#include <QFile>

#include <cstdlib>

namespace {

void checkEntries(const QVariantList &list)
{
    const UpdateFiles files(list);
    for (const UpdateFile &file : files.files()) {
        if (!UpdateFiles::isBareFileName(file.name) || file.url.scheme() != QLatin1String("https") ||
            (!file.sha256.isEmpty() && file.sha256.size() != 32))
            abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::setUp();
    static Velmora *client = [] {
        auto *made = new Velmora;
        made->setSkipSaveOnExit(true);
        return made;
    }();
    const QList<QByteArray> pieces = FuzzSupport::pieces(FuzzSupport::bytes(data, size), 2);
    const QString path = client->dataFolder().filePath(QStringLiteral("update.json"));
    for (const QString &name : client->dataFolder().entryList({QStringLiteral("update.json*")}, QDir::Files))
        client->dataFolder().remove(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(pieces[0]);
    file.close();

    UpdateInfo *info = UpdateInfo::instance();
    info->init(client);
    checkEntries(info->updateInfo());
    (void)info->version();
    if (info->setUpdateInfo(pieces[1]))
        checkEntries(info->updateInfo());
    return 0;
}
