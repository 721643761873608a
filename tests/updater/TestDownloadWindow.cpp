#include "DownloadWindow.h"
#include "UpdaterStore.h"

#include "common/BundledFonts.h"
#include "common/ProgramFiles.h"
#include "common/StyleSheet.h"
#include "common/UpdateSettings.h"
#include "platform/Platform.h"
#include "platform/fake/FakeProcessList.h"
#include "platform/fake/FakeProgramLauncher.h"
#include "support/ClippedTexts.h"
#include "support/Files.h"
#include "support/StandInService.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QVariantMap fileEntry(const QString &name, const QString &url, const QString &sha256 = QString())
{
    QVariantMap entry{{QStringLiteral("name"), name}, {QStringLiteral("url"), url}};
    if (!sha256.isNull())
        entry.insert(QStringLiteral("sha256"), sha256);
    return entry;
}

QString sha256Of(const QByteArray &content)
{
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

} // namespace

// The download window against the stand-in service, offscreen: the update
// list is written to update.json before each window, message boxes are
// answered as they open, and the install runs into a program folder of the
// test's own with the monitor's process and start faked.
class TestDownloadWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_service = std::make_unique<StandInService>();
        QVERIFY2(m_service->isRunning(), m_service->output().constData());
        qputenv("VELMORA_CA_FILE", m_service->caFile().toLocal8Bit());
        QJsonArray files;
        for (const auto &file : m_contents.toStdMap())
            files.append(QJsonObject{{QStringLiteral("name"), file.first},
                                     {QStringLiteral("content_base64"), QString::fromLatin1(file.second.toBase64())}});
        QVERIFY(m_service->control(
            QStringLiteral("/control/version"),
            {{QStringLiteral("version"), QStringLiteral("1.1.1")}, {QStringLiteral("files"), files}}));
        auto processes = std::make_unique<FakeProcessList>();
        m_processes = processes.get();
        Platform::setProcesses(std::move(processes));
        // The fonts and style sheet of the program, so that the window's
        // texts are measured as a user sees them.
        QVERIFY(BundledFonts::install());
        qApp->setStyleSheet(StyleSheet::application());
    }

    void cleanupTestCase() { Platform::setProcesses(nullptr); }

    void init()
    {
        QVERIFY(m_service->control(QStringLiteral("/control/faults/clear"), {}));
        m_processes->running.clear();
        auto launcher = std::make_unique<FakeProgramLauncher>();
        m_launcher = launcher.get();
        Platform::setLauncher(std::move(launcher));
        m_program = std::make_unique<QTemporaryDir>();
        ProgramFiles::setFolder(m_program->path());
        UpdaterStore::reset();
        m_update = QDir(UpdaterStore::instance().dataFolder().filePath(UpdateSettings::folderName()));
        QVERIFY(m_update.removeRecursively() && m_update.mkpath(QStringLiteral(".")));
        QSettings(UpdaterStore::instance().dataFolder().filePath(UpdateSettings::fileName()), QSettings::IniFormat)
            .clear();
        m_boxes.clear();
        m_boxTexts.clear();
    }

    void cleanup()
    {
        m_window.reset();
        Platform::setLauncher(nullptr);
        ProgramFiles::setFolder(QString());
        UpdaterStore::reset();
    }

    // A damaged update.json is set aside, not read: the updater has nothing
    // to download, says so, and ends.
    void aDamagedUpdateFileIsSetAside()
    {
        const QDir data = UpdaterStore::instance().dataFolder();
        UpdaterStore::reset();
        QFile file(data.filePath(UpdateSettings::fileName()));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\nupdateInfo=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n");
        file.close();
        m_window = std::make_unique<DownloadWindow>();
        answer({{QStringLiteral("Нет информации для обновления"), QMessageBox::Ok}});
        QSignalSpy finished(m_window.get(), &QDialog::finished);
        m_window->show();
        QVERIFY(finished.wait(20000));
        QCOMPARE(data.entryList({UpdateSettings::fileName() + QStringLiteral(".damaged-*")}).size(), 1);
        for (const QString &name : data.entryList({UpdateSettings::fileName() + QStringLiteral(".damaged-*")}))
            QVERIFY(QFile::remove(data.filePath(name)));
    }

    void onlyAVersionEntryHasNothingToDownload()
    {
        run({version()}, {{QStringLiteral("Нет информации для обновления"), QMessageBox::Ok}});
        QCOMPARE(m_boxes, QStringList{"Нет информации для обновления"});
        QVERIFY(m_update.entryList(QDir::Files).isEmpty());
    }

    void unsafeEntriesRefuseTheUpdate_data()
    {
        QTest::addColumn<QVariantMap>("entry");
        const QString url = fileUrl(QStringLiteral("TALV"));
        const QString withNul = QStringLiteral("TALV") + QChar(0) + QStringLiteral("x");
        for (const QString &name :
             QStringList{QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../TALV"),
                         QStringLiteral("bin/TALV"), QStringLiteral("bin\\TALV"), QStringLiteral("C:TALV"),
                         QStringLiteral("C:\\Windows\\TALV.exe"), QStringLiteral("/etc/TALV"),
                         QStringLiteral("TALV.part"), QStringLiteral(" TALV"), withNul})
            QTest::newRow(qPrintable(QStringLiteral("the name \"%1\"").arg(name))) << fileEntry(name, url);
        QTest::newRow("an http address") << fileEntry(QStringLiteral("TALV"),
                                                      QStringLiteral("http://127.0.0.1:9/TALV"));
        QTest::newRow("an address without host") << fileEntry(QStringLiteral("TALV"), QStringLiteral("https:///TALV"));
        QTest::newRow("a local file") << fileEntry(QStringLiteral("TALV"), QStringLiteral("file:///bin/sh"));
        QTest::newRow("a digest that is no digest") << fileEntry(QStringLiteral("TALV"), url, QStringLiteral("abc"));
    }

    void unsafeEntriesRefuseTheUpdate()
    {
        QFETCH(QVariantMap, entry);
        const int requests = fileRequests();
        // A good entry first: even it is not fetched.
        run({version(), fileEntry(QStringLiteral("libvelmora.so"), fileUrl(QStringLiteral("libvelmora.so"))), entry},
            {{QStringLiteral("Обновление невозможно"), QMessageBox::Ok}});
        QCOMPARE(m_boxes, QStringList{"Обновление невозможно"});
        QCOMPARE(fileRequests(), requests);
        QVERIFY(m_update.entryList(QDir::Files).isEmpty());
        QVERIFY(QDir(m_program->path()).isEmpty());
        QVERIFY(m_launcher->calls.isEmpty());
    }

    void threeFilesThenTheInstall()
    {
        QVERIFY(Files::write(m_update.filePath(QStringLiteral("stale.dll")), "from a download broken off"));
        QVariantList list{version()};
        for (const QString &name :
             {QStringLiteral("TALV"), QStringLiteral("TALV-update"), QStringLiteral("libvelmora.so")})
            list << fileEntry(name, fileUrl(name), sha256Of(m_contents.value(name)));
        // The first file waits a moment, so its status line can be read.
        QVERIFY(armFault(QStringLiteral("stall"), 1, 0.5));
        createWindow(list);
        QNetworkAccessManager *network = m_window->findChild<QNetworkAccessManager *>();
        QStringList afterEachFile;
        QStringList clipped; // the texts the window cuts at any step
        connect(network, &QNetworkAccessManager::finished, this, [&] {
            afterEachFile << label(QStringLiteral("lbStatus")) + QLatin1Char('|') +
                                 QString::number(m_window->findChild<QProgressBar *>()->value());
            clipped << ClippedTexts::of(m_window.get());
        });
        QSignalSpy finished(m_window.get(), &QDialog::finished);
        m_window->show();
        QTRY_COMPARE(label(QStringLiteral("lbStatus")), QStringLiteral("Загрузка TALV (1/3)"));
        QCOMPARE(label(QStringLiteral("lbTitle")), QStringLiteral("Обновление программы до версии 1.1.1"));
        QVERIFY(finished.wait(20000));

        QCOMPARE(afterEachFile, (QStringList{"Загрузка TALV-update (2/3)|33", "Загрузка libvelmora.so (3/3)|66",
                                             "Ожидание завершения процесса Velmora Team Monitor...|100"}));
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
        // Installed: everything but the updater itself, which stays for the
        // monitor to put in place; nothing stale came along.
        QCOMPARE(QDir(m_program->path()).entryList(QDir::Files), (QStringList{"libvelmora.so", "TALV"}));
        QCOMPARE(Files::read(QDir(m_program->path()).filePath(QStringLiteral("TALV"))), m_contents.value("TALV"));
        QCOMPARE(m_update.entryList(QDir::Files), QStringList{"TALV-update"});
        QCOMPARE(settings().value(UpdateSettings::updateOkKey()).toBool(), true);
        QCOMPARE(settings().value(UpdateSettings::forceUpdateKey()).toBool(), false);
        QCOMPARE(m_launcher->calls.size(), 1);
    }

    void noPostponesTheInstall()
    {
        m_processes->running.insert(ProgramFiles::monitorFileName());
        run({version(), fileEntry(QStringLiteral("TALV"), fileUrl(QStringLiteral("TALV")))},
            {{QStringLiteral("Перезапустить программу?"), QMessageBox::No}});
        QCOMPARE(m_boxes, QStringList{"Перезапустить программу?"});
        QCOMPARE(settings().value(UpdateSettings::updateAtStartupKey()).toBool(), true);
        QCOMPARE(settings().value(UpdateSettings::forceUpdateKey()).toBool(), false);
        QCOMPARE(m_update.entryList(QDir::Files), QStringList{"TALV"});
        QVERIFY(QDir(m_program->path()).isEmpty());
    }

    void yesAsksTheMonitorToEnd()
    {
        m_processes->running.insert(ProgramFiles::monitorFileName());
        createWindow({version(), fileEntry(QStringLiteral("TALV"), fileUrl(QStringLiteral("TALV")))});
        answer({{QStringLiteral("Перезапустить программу?"), QMessageBox::Yes}});
        m_window->show();
        QTRY_VERIFY_WITH_TIMEOUT(settings().value(UpdateSettings::forceUpdateKey()).toBool(), 20000);
        QCOMPARE(label(QStringLiteral("lbStatus")),
                 QStringLiteral("Ожидание завершения процесса Velmora Team Monitor..."));
        QVERIFY(QDir(m_program->path()).isEmpty()); // the monitor still runs
        QSignalSpy finished(m_window.get(), &QDialog::finished);
        m_processes->running.clear();
        QVERIFY(finished.wait(5000));
        QCOMPARE(QDir(m_program->path()).entryList(QDir::Files), QStringList{"TALV"});
    }

    void failedDownloads_data()
    {
        QTest::addColumn<QString>("fault"); // armed on the update files, or how the entry is wrong
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file the service does not have") << "missing"
                                                          << "сервер ответил 404";
        QTest::newRow("a long name without blanks the service does not have") << "missing-long"
                                                                              << "сервер ответил 404";
        QTest::newRow("the connection drops in the middle of the body") << "close"
                                                                        << "";
        QTest::newRow("an error page with status 200") << "html"
                                                       << "";
        QTest::newRow("a digest that does not match") << "digest"
                                                      << "контрольная сумма не совпала";
    }

    void failedDownloads()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QString name = QStringLiteral("TALV");
        QString digest = sha256Of(m_contents.value(name));
        if (fault == QLatin1String("missing"))
            name = QStringLiteral("nowhere.bin");
        else if (fault == QLatin1String("missing-long"))
            name = QString(120, QLatin1Char('n')) + QStringLiteral(".bin");
        else if (fault == QLatin1String("digest"))
            digest = sha256Of("something else");
        else
            QVERIFY(armFault(fault, 1));
        run({version(), fileEntry(name, fileUrl(name), digest)},
            {{QStringLiteral("Ошибка загрузки"), QMessageBox::Cancel}});
        QCOMPARE(m_boxes, QStringList{"Ошибка загрузки"});
        QVERIFY2(m_boxTexts.first().contains(reason), qPrintable(m_boxTexts.first()));
        // Never written under its name, nor half of it anywhere.
        QVERIFY(m_update.entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(QDir(m_program->path()).isEmpty());
        // A long name is shortened in the status line, and whole in its tool tip.
        auto *status = m_window->findChild<QLabel *>(QStringLiteral("lbStatus"));
        QCOMPARE(status->toolTip(), name);
        if (name.size() < 40)
            QCOMPARE(status->text(), QStringLiteral("Ошибка загрузки ") + name);
        const QStringList clipped = ClippedTexts::of(m_window.get());
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    }

    void aFailedDownloadCanBeTriedAgain()
    {
        QVERIFY(armFault(QStringLiteral("close"), 1));
        run({version(), fileEntry(QStringLiteral("TALV"), fileUrl(QStringLiteral("TALV")))},
            {{QStringLiteral("Ошибка загрузки"), QMessageBox::Retry}});
        QCOMPARE(m_boxes, QStringList{"Ошибка загрузки"});
        QCOMPARE(Files::read(QDir(m_program->path()).filePath(QStringLiteral("TALV"))), m_contents.value("TALV"));
    }

    void cancelEndsAtOnce()
    {
        QVERIFY(armFault(QStringLiteral("stall"), 1, 5));
        createWindow({version(), fileEntry(QStringLiteral("TALV"), fileUrl(QStringLiteral("TALV")))});
        QSignalSpy finished(m_window.get(), &QDialog::finished);
        m_window->show();
        QTRY_COMPARE(label(QStringLiteral("lbStatus")), QStringLiteral("Загрузка TALV (1/1)"));
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("pbVelmora")), Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QVERIFY(m_update.entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(!settings().contains(UpdateSettings::forceUpdateKey()));
    }

private:
    using Answers = QList<QPair<QString, QMessageBox::StandardButton>>;

    QVariantMap version() const { return {{QStringLiteral("version"), QStringLiteral("1.1.1")}}; }
    QString fileUrl(const QString &name) const
    {
        return m_service->baseUrl() + QStringLiteral("/monitor/files/") + name;
    }

    int fileRequests()
    {
        int count = 0;
        for (const QJsonValue &request : m_service->read(QStringLiteral("/control/requests")))
            count += request[QStringLiteral("path")].toString().startsWith(QLatin1String("/monitor/files/"));
        return count;
    }

    bool armFault(const QString &kind, int count, double seconds = 0)
    {
        return m_service->control(QStringLiteral("/control/fault"),
                                  {{QStringLiteral("path"), QStringLiteral("/monitor/files/")},
                                   {QStringLiteral("kind"), kind},
                                   {QStringLiteral("count"), count},
                                   {QStringLiteral("seconds"), seconds}});
    }

    QSettings &settings()
    {
        UpdaterStore::instance().settings().sync();
        return UpdaterStore::instance().settings();
    }

    QString label(const QString &name) const { return m_window->findChild<QLabel *>(name)->text(); }

    void createWindow(const QVariantList &updateList)
    {
        {
            QSettings file(UpdaterStore::instance().dataFolder().filePath(UpdateSettings::fileName()),
                           QSettings::IniFormat);
            file.setValue(UpdateSettings::updateInfoKey(), updateList);
        }
        UpdaterStore::reset(); // the updater reads the list once, when it starts
        m_window = std::make_unique<DownloadWindow>();
    }

    /// Answers the message boxes as they open, in order.
    void answer(const Answers &answers)
    {
        auto *poll = new QTimer(m_window.get());
        auto pending = std::make_shared<Answers>(answers);
        connect(poll, &QTimer::timeout, this, [this, pending] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || pending->isEmpty())
                return;
            m_boxes << box->windowTitle();
            m_boxTexts << box->text();
            const auto next = pending->takeFirst();
            if (box->windowTitle() == next.first)
                box->button(next.second)->click();
        });
        poll->start(20);
    }

    /// Shows a window for \a updateList and waits until it has ended.
    void run(const QVariantList &updateList, const Answers &answers)
    {
        createWindow(updateList);
        answer(answers);
        QSignalSpy finished(m_window.get(), &QDialog::finished);
        m_window->show();
        QVERIFY(finished.wait(20000));
    }

    const QMap<QString, QByteArray> m_contents{{QStringLiteral("TALV"), QByteArray(3000, 'm')},
                                               {QStringLiteral("TALV-update"), QByteArray("the new updater")},
                                               {QStringLiteral("libvelmora.so"), QByteArray(1500, 'l')}};
    std::unique_ptr<StandInService> m_service;
    FakeProcessList *m_processes = nullptr;
    FakeProgramLauncher *m_launcher = nullptr;
    std::unique_ptr<QTemporaryDir> m_program;
    QDir m_update;
    std::unique_ptr<DownloadWindow> m_window;
    QStringList m_boxes;
    QStringList m_boxTexts;
};

QTEST_MAIN(TestDownloadWindow)
#include "TestDownloadWindow.moc"
