// The updater's download of one 64 MiB file from the stand-in service, then
// its install into a program folder of the bench's own.
//
// update_download_64mb_s: from showing the download window until the file
//   is installed.
// update_download_peak_rss_mb: the process's peak resident memory by then
//   (the body streams to disk: it should stay near baseline_rss_mb, the
//   peak before the download).

#include "DownloadWindow.h"
#include "UpdaterStore.h"

#include "common/ProgramFiles.h"
#include "common/UpdateSettings.h"
#include "platform/Platform.h"
#include "platform/fake/FakeProcessList.h"
#include "platform/fake/FakeProgramLauncher.h"
#include "support/StandInService.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    QTextStream out(stdout);

    StandInService service;
    if (!service.isRunning()) {
        out << "the stand-in service did not start\n";
        return 1;
    }
    qputenv("VELMORA_CA_FILE", service.caFile().toLocal8Bit());
    QTemporaryDir files;
    const QString large = files.filePath(QStringLiteral("large.bin"));
    {
        QFile file(large);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray block(1 << 20, 'u');
        for (int i = 0; i < 64; ++i)
            file.write(block);
    }
    service.control(
        QStringLiteral("/control/version"),
        {{QStringLiteral("version"), QStringLiteral("1.1.1")},
         {QStringLiteral("files"), QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("large.bin")},
                                                          {QStringLiteral("path"), large}}}}});

    QTemporaryDir programFolder;
    ProgramFiles::setFolder(programFolder.path());
    Platform::setProcesses(std::make_unique<FakeProcessList>());
    Platform::setLauncher(std::make_unique<FakeProgramLauncher>());
    {
        QSettings settings(UpdaterStore::instance().dataFolder().filePath(UpdateSettings::fileName()),
                           QSettings::IniFormat);
        const QString url = service.baseUrl() + QStringLiteral("/monitor/files/large.bin");
        QVariantMap version;
        version.insert(QStringLiteral("version"), QStringLiteral("1.1.1"));
        QVariantMap file;
        file.insert(QStringLiteral("name"), QStringLiteral("large.bin"));
        file.insert(QStringLiteral("url"), url);
        settings.setValue(UpdateSettings::updateInfoKey(), QVariantList{version, file});
    }
    UpdaterStore::reset();

    DownloadWindow window;
    const double baseline = BenchSupport::peakRssMb();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::quit);
    window.show();
    loop.exec();
    const double seconds = clock.elapsed() / 1000.0;

    const bool installed = QFileInfo(programFolder.filePath(QStringLiteral("large.bin"))).size() == 64 << 20;
    out << "update_download_64mb_s: " << QString::number(seconds, 'f', 2) << '\n';
    out << "update_download_peak_rss_mb: " << QString::number(BenchSupport::peakRssMb(), 'f', 1) << '\n';
    out << "baseline_rss_mb: " << QString::number(baseline, 'f', 1) << '\n';
    out << "update_installed: " << (installed ? 1 : 0) << '\n';
    Platform::setLauncher(nullptr);
    Platform::setProcesses(nullptr);
    return installed ? 0 : 1;
}
