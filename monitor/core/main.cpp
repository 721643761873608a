// The monitor's entry: start-up in a fixed order, the event loop, and an
// orderly shutdown in which the objects are destroyed in reverse order of
// creation (main window, server client, application), so that the session
// is saved last.

#include "capture/UserActivityWatcher.h"
#include "client/Velmora.h"
#include "common/AppIdentity.h"
#include "common/BuildInfo.h"
#include "common/BundledFonts.h"
#include "common/DataFolder.h"
#include "common/Log.h"
#include "common/ProgramFiles.h"
#include "common/SingleInstance.h"
#include "common/StyleSheet.h"
#include "core/Application.h"
#include "dialogs/LoginForm.h"
#include "mainwindow/MainForm.h"
#include "notifications/NotificationManager.h"
#include "client/UpdateInfo.h"
#include "platform/Platform.h"
#include "platform/ProgramLauncher.h"
#include "platform/SessionEndWatcher.h"

#include <QDebug>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <memory>

namespace {

constexpr qint64 LogSizeLimit = 104857600; // 100 MiB

// Asks whether to go on without activity recording; true for "Да".
bool continueWithoutActivity()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Ошибка"),
                    QStringLiteral("Не удалось начать обработку вашей активности.\n"
                                   "Для устранения проблемы переустановите приложение или обратитесь к вашему "
                                   "системному администратору.\n"
                                   "Желаете продолжить работу с программой(информация об активности не будет "
                                   "собранна)?"));
    QPushButton *yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.exec();
    // Closed any other way (the session ending, say), the box counts as "Нет".
    const int chosen = box.clickedButton() == yes ? 0 : 1;
    qDebug() << chosen;
    return chosen == 0;
}

void logStartLine()
{
    qDebug() << QString(QCoreApplication::applicationName() + QLatin1Char(' ') +
                        QCoreApplication::applicationVersion() + QStringLiteral(" started. Build date: ") +
                        BuildInfo::date() + QStringLiteral(", ") + BuildInfo::time());
}

} // namespace

int main(int argc, char *argv[])
{
    // The windows are painted without OpenGL. Left to itself, Qt's X11
    // back-end loads the system's OpenGL driver at start-up (with Mesa's
    // software renderer that is LLVM, about 45 MB resident) for nothing.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    Application app(argc, argv);
    AppIdentity::apply(AppIdentity::monitorName(), AppIdentity::monitorVersion());
    // Notices raised below the windows (the session, the client) reach the
    // popups through the manager.
    Notifier::install(NotificationManager::instance());

    // A logout, shutdown or Ctrl+C ends the program the way its exit action
    // does, once an event loop runs: the session is saved on the way out.
    QPointer<MainForm> mainForm;
    SessionEndWatcher *sessionEnd = Platform::createSessionEndWatcher(&app);
    QObject::connect(sessionEnd, &SessionEndWatcher::endRequested, &app, [&mainForm](int reason) {
        qDebug() << "Asked to end, reason" << reason;
        if (mainForm)
            mainForm->exitProgram();
        else
            QCoreApplication::quit();
    });

    // "--clean" comes before anything reads the data folder, so whatever the
    // files there hold, it always works.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("--clean")) {
        Log::install(Log::Echo::StandardOutput);
        logStartLine();
        Velmora::removeFolder(DataFolder::path());
        qDebug() << "Exit Velmora Team Monitor OK";
        return 0;
    }

    // The log opens before the client reads the session, so that a damaged
    // file found there is logged.
    const QDir dataFolder = DataFolder::ensure();
    Velmora::removeFolder(dataFolder.filePath(QStringLiteral("cached")));
    Log::open(dataFolder.filePath(QStringLiteral("log.log")), LogSizeLimit);
    Log::install(Log::Echo::StandardOutput);
    logStartLine();

    auto velmora = std::make_unique<Velmora>();

    UpdateInfo *updateInfo = UpdateInfo::instance();
    updateInfo->init(velmora.get());
    if (updateInfo->updateAtStartup() &&
        Velmora::runWinAppAsAdmin(ProgramFiles::updaterFileName(), QStringLiteral("--install-only")) >=
            ProgramLauncher::Started)
        return 0;
    updateInfo->installUpdater();

    BundledFonts::install();
    app.setStyleSheet(StyleSheet::application());

    if (!SingleInstance::lock(QCoreApplication::applicationName(), dataFolder.absolutePath())) {
        QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(),
                        QStringLiteral("Только одна копия программы может быть одновременно запущена."));
        box.exec();
        return 1;
    }

    if (!UserActivityWatcher::instance()->start() && !continueWithoutActivity())
        return 0;

    QApplication::setQuitOnLastWindowClosed(false);

    if (!velmora->session()->logged()) {
        LoginForm login(velmora.get());
        if (login.exec() != QDialog::Accepted)
            return 0;
    }

    MainForm window(velmora.get());
    mainForm = &window;
    QObject::connect(&window, &MainForm::exitRequested, &app, &QCoreApplication::quit);
    window.show();

    if (velmora->session()->active())
        NotificationManager::instance()->addNotification(QStringLiteral("Запись активности включена"), 0, QString());

    return app.exec();
}
