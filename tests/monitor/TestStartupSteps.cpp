#include "client/Velmora.h"
#include "common/DataFolder.h"
#include "common/ProgramFiles.h"
#include "model/Notifier.h"
#include "notifications/NotificationManager.h"
#include "support/NoticeRecorder.h"
#include "support/PageRecorder.h"
#include "client/UpdateInfo.h"
#include "platform/Platform.h"
#include "platform/fake/FakeProgramLauncher.h"

#include <QDesktopServices>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The steps start-up takes before any window: starting the updater, putting a
// downloaded updater in place, removing folders.
class TestStartupSteps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Notifier::install(NotificationManager::instance());
        m_velmora = std::make_unique<Velmora>();
        UpdateInfo::instance()->init(m_velmora.get());
    }

    void cleanupTestCase()
    {
        m_velmora->setSkipSaveOnExit(true);
        m_velmora.reset();
    }

    void init()
    {
        m_pages.pages.clear();
        m_notices.clear();
        QVERIFY(m_programFolder.isValid());
        ProgramFiles::setFolder(m_programFolder.path());
        QDir(DataFolder::path()).mkpath(QStringLiteral("update"));
    }

    void cleanup()
    {
        Platform::setLauncher(nullptr);
        ProgramFiles::setFolder(QString());
    }

    void dataFolderIsOwnerOnly()
    {
        QCOMPARE(m_velmora->dataFolder().absolutePath(), QDir::home().filePath(QStringLiteral(".velmora")));
        QCOMPARE(QFile::permissions(DataFolder::path()) & 0x0077, QFileDevice::Permissions());
    }

    void runWinAppAsAdminResults_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("opensDownloadPage");
        QTest::newRow("started") << 33 << false;
        QTest::newRow("32 is no success, yet opens nothing") << 32 << false;
        QTest::newRow("31 opens the download page") << 31 << true;
        QTest::newRow("file not found opens the download page") << 2 << true;
        QTest::newRow("refused rights open nothing") << 5 << false;
        QTest::newRow("0 opens the download page") << 0 << true;
    }

    void runWinAppAsAdminResults()
    {
        QFETCH(int, result);
        QFETCH(bool, opensDownloadPage);
        auto launcher = std::make_unique<FakeProgramLauncher>();
        launcher->result = result;
        FakeProgramLauncher *fake = launcher.get();
        Platform::setLauncher(std::move(launcher));

        if (opensDownloadPage)
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable(QStringLiteral("Eror runWinAppAsAdmin \"TALV-update\" %1").arg(result)));
        QCOMPARE(Velmora::runWinAppAsAdmin(QStringLiteral("TALV-update"), QStringLiteral("--install-only")), result);
        QCOMPARE(fake->calls, QStringList(m_programFolder.filePath(QStringLiteral("TALV-update")) +
                                          QStringLiteral(" --install-only")));
        const QStringList expected =
            opensDownloadPage ? QStringList(Velmora::serviceUrl() + QStringLiteral("/monitor/")) : QStringList();
        QCOMPARE(m_pages.pages, expected);
    }

    void installUpdater_data()
    {
        QTest::addColumn<QString>("installed"); // "none", "file" or "folder" (cannot be removed)
        QTest::addColumn<bool>("downloaded");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("nothing downloaded: nothing happens") << "file" << false << false;
        QTest::newRow("a first updater is put in place") << "none" << true << true;
        QTest::newRow("an installed updater is replaced") << "file" << true << true;
        QTest::newRow("an updater that cannot be removed stays") << "folder" << true << false;
    }

    void installUpdater()
    {
        QFETCH(QString, installed);
        QFETCH(bool, downloaded);
        QFETCH(bool, replaced);
        const QString source = DataFolder::updatePath() + QStringLiteral("/TALV-update");
        const QString destination = m_programFolder.filePath(QStringLiteral("TALV-update"));
        QFile::remove(destination);
        QDir(destination).removeRecursively();
        if (installed == QLatin1String("file")) {
            writeFile(destination, "old");
            QFile::setPermissions(destination, QFile::permissions(destination) | QFile::ExeOwner);
        }
        if (installed == QLatin1String("folder"))
            writeFile(destination + QStringLiteral("/keep"), "a folder in the way");
        if (downloaded) // as downloaded: not executable
            writeFile(source, "new");
        if (installed == QLatin1String("folder"))
            QTest::ignoreMessage(
                QtDebugMsg,
                qPrintable(QStringLiteral("Error! Can't remove file  \"TALV-update\"  from  \"%1\"").arg(source)));

        UpdateInfo::instance()->installUpdater();

        const QList<NoticeRecorder::Notice> notices = m_notices.notices();
        if (replaced) {
            QCOMPARE(readFile(destination), QByteArray("new"));
            QVERIFY(QFileInfo(destination).isExecutable());
            QVERIFY(!QFile::exists(source));
            QCOMPARE(notices.size(), 1);
            QCOMPARE(notices.first().text, QStringLiteral("Обновление успешно установлено"));
            QCOMPARE(notices.first().type, 0);
        } else {
            QVERIFY(notices.isEmpty());
            QCOMPARE(QFile::exists(source), downloaded);
        }
        QFile::remove(source);
    }

    void forceUpdateIsReadAfresh()
    {
        UpdateInfo *info = UpdateInfo::instance();
        QVERIFY(!info->forceUpdate());
        // The updater writes the file from its own process.
        QSettings(DataFolder::path() + QStringLiteral("/update.json"), QSettings::IniFormat)
            .setValue(QStringLiteral("forceUpdate"), true);
        QVERIFY(info->forceUpdate());
        info->setForceUpdate(false);
        QVERIFY(!info->forceUpdate());
        QVERIFY(!info->updateAtStartup());
    }

    void removeFolderRemovesEverything()
    {
        const QString folder = DataFolder::path() + QStringLiteral("/cached");
        writeFile(folder + QStringLiteral("/.hidden"), "x");
        writeFile(folder + QStringLiteral("/sub/deeper/file"), "x");
        QVERIFY(QDir(folder).mkpath(QStringLiteral("empty")));
        // A link to a folder outside goes, what it points to stays.
        QTemporaryDir outside;
        writeFile(outside.filePath(QStringLiteral("precious")), "x");
        QVERIFY(QFile::link(outside.path(), folder + QStringLiteral("/link")));

        QVERIFY(Velmora::removeFolder(folder));
        QVERIFY(!QFileInfo::exists(folder));
        QVERIFY(QFile::exists(outside.filePath(QStringLiteral("precious"))));
        QVERIFY(Velmora::removeFolder(folder));
    }

private:
    NoticeRecorder m_notices;
    std::unique_ptr<Velmora> m_velmora;
    PageRecorder m_pages;
    QTemporaryDir m_programFolder;
};

QTEST_MAIN(TestStartupSteps)
#include "TestStartupSteps.moc"
