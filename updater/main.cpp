// The updater's entry: identity, its own log, the style sheet and the
// single-instance lock, then the download window or, with "--install-only",
// the install manager.

#include "DownloadWindow.h"
#include "InstallManager.h"
#include "UpdaterStore.h"

#include "common/AppIdentity.h"
#include "common/BundledFonts.h"
#include "common/Log.h"
#include "common/SingleInstance.h"
#include "common/StyleSheet.h"
#include "platform/Platform.h"
#include "platform/SessionEndWatcher.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>

namespace {
constexpr qint64 LogSizeLimit = 10485760; // 10 MiB
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppIdentity::apply(AppIdentity::updaterName(), AppIdentity::updaterVersion());

    // Ending the session or Ctrl+C leaves the event loop; update.json is
    // always written with sync(), so nothing is half-written.
    SessionEndWatcher *sessionEnd = Platform::createSessionEndWatcher(&app);
    QObject::connect(sessionEnd, &SessionEndWatcher::endRequested, &app, &QCoreApplication::quit);

    UpdaterStore &store = UpdaterStore::instance();
    Log::open(store.dataFolder().filePath(QStringLiteral("update-log.log")), LogSizeLimit);
    Log::install(Log::Echo::None);

    BundledFonts::install();
    app.setStyleSheet(StyleSheet::application());

    if (!SingleInstance::lock(QCoreApplication::applicationName(), store.dataFolder().absolutePath())) {
        QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(),
                        QStringLiteral("Только одна копия программы может быть одновременно запущена."));
        box.exec();
        return 1;
    }

    qDebug() << "Update started";

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("--install-only")) {
        qDebug() << "--install only";
        InstallManager installer;
        QObject::connect(&installer, &InstallManager::finished, &app, [] { QCoreApplication::exit(0); });
        installer.start();
        return app.exec();
    }
    DownloadWindow window;
    return window.exec();
}
