#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/BuildInfo.h"
#include "dialogs/AboutForm.h"
#include "support/StandInService.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

// The about dialog against the stand-in service, whose version file each
// test sets.
class TestAboutForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
        m_service = std::make_unique<StandInService>();
        QVERIFY2(m_service->isRunning(), m_service->output().constData());
        qputenv("VELMORA_CA_FILE", m_service->caFile().toLocal8Bit());
    }

    void init()
    {
        qputenv("VELMORA_SERVICE_URL", m_service->baseUrl().toUtf8());
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        UpdateInfo::instance()->init(m_velmora.get());
        m_form = std::make_unique<AboutForm>(m_velmora.get());
    }

    void cleanup()
    {
        m_form.reset();
        m_velmora.reset();
    }

    void showsWhatItIs()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("О Velmora Team Monitor"));
        QCOMPARE(m_form->size(), QSize(440, 250));
        QCOMPARE(label("lbVersion")->text(), QStringLiteral("Версия: 1.1.0"));
        QCOMPARE(label("lbBuildDate")->text(),
                 QStringLiteral("Дата сборки: ") + BuildInfo::date() + QStringLiteral(", ") + BuildInfo::time());
        QVERIFY(QRegularExpression(QStringLiteral("^Дата сборки: [A-Z][a-z]{2} \\d\\d \\d{4}, \\d\\d:\\d\\d:\\d\\d$"))
                    .match(label("lbBuildDate")->text())
                    .hasMatch());
        // The service's address as configured, shown and linked.
        QTextDocument link;
        link.setHtml(label("lbUrl")->text());
        QCOMPARE(link.toPlainText(), m_service->baseUrl());
        QVERIFY(label("lbUrl")->text().contains(QStringLiteral("href=\"") + m_service->baseUrl() + QLatin1Char('"')));
        QVERIFY(label("lbUrl")->openExternalLinks());
    }

    void updateStatus_data()
    {
        QTest::addColumn<QString>("offered"); // empty: the service cannot be reached
        QTest::addColumn<QString>("status");
        QTest::newRow("no connection") << ""
                                       << "Проверка обновления...";
        QTest::newRow("an older version") << "1.0.9"
                                          << "Установлена последняя версия";
        QTest::newRow("the same version") << "1.1.0"
                                          << "Установлена последняя версия";
        QTest::newRow("a newer version") << "1.1.1"
                                         << "Доступно обновление 1.1.1";
    }

    void updateStatus()
    {
        QFETCH(QString, offered);
        QFETCH(QString, status);
        if (offered.isEmpty()) {
            qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9"); // nothing answers there
        } else {
            const QString versionFile =
                QStringLiteral("[{\"name\":\"TALV\",\"url\":\"https://x/TALV\"},{\"version\":\"") + offered +
                QStringLiteral("\"}]");
            QVERIFY(m_service->control(QStringLiteral("/control/version"), {{QStringLiteral("raw"), versionFile}}));
        }
        QSignalSpy finished(m_velmora->findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);
        m_form->checkForUpdates();
        m_form->show();
        QCOMPARE(label("lbUpdateInfo")->text(), QStringLiteral("Проверка обновления..."));
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000);
        QCOMPARE(label("lbUpdateInfo")->text(), status);
    }

    void hiddenDialogFollowsTheHourlyCheck()
    {
        QVERIFY(m_service->control(QStringLiteral("/control/version"),
                                   {{QStringLiteral("raw"), QStringLiteral("[{\"version\":\"1.2.0\"}]")}}));
        QSignalSpy answered(m_velmora.get(), &Velmora::updateAvailable);
        m_velmora->requestVersion(); // as the main window's hourly check does
        QVERIFY(answered.wait(20000));
        QVERIFY(!m_form->isVisible());
        QCOMPARE(label("lbUpdateInfo")->text(), QStringLiteral("Доступно обновление 1.2.0"));
    }

private:
    QLabel *label(const char *name) const { return m_form->findChild<QLabel *>(QLatin1String(name)); }

    std::unique_ptr<StandInService> m_service;
    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<AboutForm> m_form;
};

QTEST_MAIN(TestAboutForm)
#include "TestAboutForm.moc"
