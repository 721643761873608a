#include "client/Velmora.h"
#include "dialogs/CalendarForm.h"
#include "mainwindow/MainForm.h"
#include "model/Notifier.h"
#include "notifications/NotificationManager.h"
#include "support/NoticeRecorder.h"
#include "support/StandInService.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <functional>

// The deadline request from the strip's button to the stand-in service:
// the dialog is answered the moment it opens, as a user would answer it.
class TestDeadlineRequest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
        m_service = std::make_unique<StandInService>();
        QVERIFY2(m_service->isRunning(), m_service->output().constData());
        m_service->exportAddress();
        Notifier::install(NotificationManager::instance());
    }

    void cleanupTestCase() { Notifier::install(nullptr); }

    void init()
    {
        m_notices.clear();
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        Velmora::Session *session = m_velmora->session();
        session->load(QStringLiteral("demo@velmora.local"), QStringLiteral("demo"));
        session->setTeamID(QStringLiteral("17"));
        session->setTaskID(QStringLiteral("101"));
        m_form = std::make_unique<MainForm>(m_velmora.get());
        m_notices.clear();
    }

    void cleanup()
    {
        m_form.reset();
        m_velmora.reset();
        m_notices.clear();
    }

    void requestArrivesAsTyped_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("sentTime");
        QTest::newRow("a reason with line breaks, quotes and & = + %")
            << "Первая строка\nвторая: \"в кавычках\" & a=b + 5% ; #конец\n"
            << QDate(2026, 12, 31) << QTime(18, 30) << "18:30";
        QTest::newRow("date and time untouched: today, and no time")
            << "Жду ответа клиента" << QDate() << QTime() << "";
    }

    void requestArrivesAsTyped()
    {
        QFETCH(QString, reason);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(QString, sentTime);
        const int before = m_service->read(QStringLiteral("/control/deadline_requests")).size();
        answerCalendar([&](CalendarForm *calendar) {
            if (date.isValid())
                calendar->findChild<QCalendarWidget *>()->setSelectedDate(date);
            if (time.isValid())
                calendar->findChild<QTimeEdit *>()->setTime(time);
            calendar->findChild<QPlainTextEdit *>()->setPlainText(reason);
            return QStringLiteral("Ок");
        });
        QTRY_COMPARE_WITH_TIMEOUT(m_service->read(QStringLiteral("/control/deadline_requests")).size(), before + 1,
                                  20000);
        const QJsonObject row = m_service->read(QStringLiteral("/control/deadline_requests")).last().toObject();
        QCOMPARE(row[QStringLiteral("email")].toString(), QStringLiteral("demo@velmora.local"));
        QCOMPARE(row[QStringLiteral("task_id")].toString(), QStringLiteral("101"));
        QCOMPARE(row[QStringLiteral("dl_date")].toString(),
                 (date.isValid() ? date : QDate::currentDate()).toString(Qt::ISODate));
        QCOMPARE(row[QStringLiteral("dl_time")].toString(), sentTime);
        QCOMPARE(row[QStringLiteral("message")].toString(), reason);
        QTRY_COMPARE_WITH_TIMEOUT(lastNotice(), QStringLiteral("Запрос на продление задачи успешно отправлен"), 20000);
    }

    void refusalShowsTheServicesMessage()
    {
        // A task the account does not own: the service refuses it.
        m_velmora->session()->setTeamID(QStringLiteral("18"));
        m_velmora->session()->setTaskID(QStringLiteral("999"));
        answerCalendar([](CalendarForm *calendar) {
            calendar->findChild<QPlainTextEdit *>()->setPlainText(QStringLiteral("причина"));
            return QStringLiteral("Ок");
        });
        QTRY_COMPARE_WITH_TIMEOUT(lastNotice(), QStringLiteral("Ошибка переноса задачи:Задача не найдена"), 20000);
    }

    void cancelSendsNothing()
    {
        const int before = m_service->read(QStringLiteral("/control/deadline_requests")).size();
        answerCalendar([](CalendarForm *calendar) {
            calendar->findChild<QPlainTextEdit *>()->setPlainText(QStringLiteral("передумал"));
            return QStringLiteral("Отмена");
        });
        // Any request would have left before this one, which comes back.
        QSignalSpy finished(m_velmora->findChild<QNetworkAccessManager *>(), &QNetworkAccessManager::finished);
        m_velmora->requestVersion();
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 20000);
        QCOMPARE(m_service->read(QStringLiteral("/control/deadline_requests")).size(), before);
        QVERIFY(m_notices.notices().isEmpty());
    }

private:
    /// Presses the strip's deadline button; once the dialog runs, \a answer
    /// fills it in and names the button to press.
    void answerCalendar(const std::function<QString(CalendarForm *)> &answer)
    {
        bool answered = false;
        QTimer::singleShot(0, this, [&] {
            auto *calendar = qobject_cast<CalendarForm *>(QApplication::activeModalWidget());
            QVERIFY(calendar);
            const QString button = answer(calendar);
            for (QPushButton *candidate : calendar->findChildren<QPushButton *>()) {
                if (candidate->text() == button)
                    QTest::mouseClick(candidate, Qt::LeftButton);
            }
            answered = true;
        });
        QTest::mouseClick(m_form->findChild<QPushButton *>(QStringLiteral("pbTimeExtend")), Qt::LeftButton);
        QVERIFY(answered);
        QVERIFY(!QApplication::activeModalWidget());
    }

    QString lastNotice() const { return m_notices.notices().isEmpty() ? QString() : m_notices.notices().last().text; }

    std::unique_ptr<StandInService> m_service;
    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<MainForm> m_form;
    NoticeRecorder m_notices;
};

QTEST_MAIN(TestDeadlineRequest)
#include "TestDeadlineRequest.moc"
