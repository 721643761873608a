#include "mainwindow/AutoRun.h"
#include "platform/Platform.h"
#include "platform/RunKeyAutostart.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/linux/XdgAutostart.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Name = QStringLiteral("Velmora Team Monitor");

QString readEntry()
{
    QFile file(XdgAutostart::entryPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeEntry(const QString &text)
{
    QFile file(XdgAutostart::entryPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

} // namespace

class TestAutostart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(Name);
        QVERIFY(XdgAutostart::entryPath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    }

    void cleanup()
    {
        QFile::remove(XdgAutostart::entryPath());
        Platform::setAutostart(nullptr);
    }

    void xdgEntryIsWrittenRemovedAndRead()
    {
        XdgAutostart autostart;
        QVERIFY(!autostart.contains(Name));

        autostart.add(Name, QStringLiteral("/opt/velmora/TALV"));
        QVERIFY(autostart.contains(Name));
        const QString entry = readEntry();
        QVERIFY(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(entry.contains(QStringLiteral("\nName=Velmora Team Monitor\n")));
        QVERIFY(entry.contains(QStringLiteral("\nExec=/opt/velmora/TALV\n")));

        autostart.remove(Name);
        QVERIFY(!QFile::exists(XdgAutostart::entryPath()));
        QVERIFY(!autostart.contains(Name));
        autostart.remove(Name);
    }

    void xdgExecQuotesAPathThatNeedsIt_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("blanks are quoted")
            << QStringLiteral("/home/ann/My Apps/TALV") << QStringLiteral("\"/home/ann/My Apps/TALV\"");
        QTest::newRow("a dollar is escaped inside quotes")
            << QStringLiteral("/home/$x/TALV") << QStringLiteral("\"/home/\\\\$x/TALV\"");
        QTest::newRow("a percent sign is doubled")
            << QStringLiteral("/opt/100%/TALV") << QStringLiteral("/opt/100%%/TALV");
    }

    void xdgExecQuotesAPathThatNeedsIt()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        XdgAutostart().add(Name, program);
        QVERIFY2(readEntry().contains(QStringLiteral("\nExec=") + exec + QLatin1Char('\n')), qPrintable(readEntry()));
    }

    void xdgSwitchedOffEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("enabled");
        const QString head = QStringLiteral("[Desktop Entry]\nType=Application\nName=Velmora Team Monitor\n");
        QTest::newRow("a stale path still counts") << head + QStringLiteral("Exec=/gone/TALV\n") << true;
        QTest::newRow("Hidden=true switches it off") << head + QStringLiteral("Exec=TALV\nHidden=true\n") << false;
        QTest::newRow("Hidden=false leaves it on") << head + QStringLiteral("Exec=TALV\nHidden=false\n") << true;
        QTest::newRow("GNOME's switch off") << head + QStringLiteral("X-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("a Hidden key of another group does not count")
            << head + QStringLiteral("[Desktop Action x]\nHidden=true\n") << true;
    }

    void xdgSwitchedOffEntries()
    {
        QFETCH(QString, entry);
        QFETCH(bool, enabled);
        XdgAutostart autostart;
        autostart.add(Name, QStringLiteral("/x"));
        writeEntry(entry);
        QCOMPARE(autostart.contains(Name), enabled);
    }

    void runKeyValues_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("a program path") << QVariant(QStringLiteral("C:/Program Files/Velmora/TALV.exe")) << true;
        QTest::newRow("a stale path") << QVariant(QStringLiteral("D:/old/TALV.exe")) << true;
        QTest::newRow("\"0\"") << QVariant(QStringLiteral("0")) << false;
        QTest::newRow("\"false\"") << QVariant(QStringLiteral("false")) << false;
        QTest::newRow("\"FALSE\" in capitals") << QVariant(QStringLiteral("FALSE")) << false;
        QTest::newRow("an empty string") << QVariant(QString()) << false;
        QTest::newRow("no value") << QVariant() << false;
    }

    void runKeyValues()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, enabled);
        QTemporaryDir dir;
        const QString location = dir.filePath(QStringLiteral("run.ini"));
        if (value.isValid())
            QSettings(location, QSettings::IniFormat).setValue(Name, value);

        RunKeyAutostart runKey(location, QSettings::IniFormat);
        QCOMPARE(runKey.contains(Name), enabled);

        runKey.add(Name, QStringLiteral("C:/Velmora/TALV.exe"));
        QCOMPARE(QSettings(location, QSettings::IniFormat).value(Name).toString(),
                 QStringLiteral("C:/Velmora/TALV.exe"));
        QVERIFY(runKey.contains(Name));
        runKey.remove(Name);
        QVERIFY(!runKey.contains(Name));
    }

    void autoRunWritesOnlyWhenToggled()
    {
        auto fake = std::make_unique<FakeAutostart>();
        FakeAutostart *autostart = fake.get();
        Platform::setAutostart(std::move(fake));

        AutoRun autoRun;
        QVERIFY(!autoRun.isEnabled());
        QVERIFY(autostart->writes.isEmpty());

        QCOMPARE(autoRun.enable(true), true);
        QCOMPARE(autostart->entries.value(Name), QCoreApplication::applicationFilePath());
        QVERIFY(autoRun.isEnabled());

        QCOMPARE(autoRun.enable(false), false);
        QVERIFY(!autoRun.isEnabled());
        QCOMPARE(autostart->writes, QStringList({QStringLiteral("add ") + Name, QStringLiteral("remove ") + Name}));
    }

    void autoRunUsesTheDesktopsAutostartFolder()
    {
        AutoRun autoRun;
        autoRun.enable(true);
        QVERIFY(readEntry().contains(QStringLiteral("\nExec=") + QCoreApplication::applicationFilePath()));
        QVERIFY(autoRun.isEnabled());
        autoRun.enable(false);
        QVERIFY(!autoRun.isEnabled());
    }
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "TestAutostart.moc"
