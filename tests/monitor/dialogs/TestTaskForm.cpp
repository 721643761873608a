#include "client/Velmora.h"
#include "common/BundledFonts.h"
#include "dialogs/DeadlineComboBox.h"
#include "dialogs/TaskForm.h"
#include "model/Session.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

Task task(const QString &id, const QString &title, const char *deadline, const QString &block, int importance)
{
    Task t;
    t.id = id;
    t.title = title;
    t.deadline = QDateTime::fromString(QString::fromLatin1(deadline), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    t.block = block;
    t.importance = importance;
    return t;
}

} // namespace

// The task choice over a session filled by the test. The service address
// answers nothing (port 9 is closed), so a fetch while online fails.
class TestTaskForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9");
        QVERIFY(BundledFonts::install());
    }

    void init()
    {
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        Velmora::Session *session = m_velmora->session();
        session->setOnline(false);
        session->setTeams({{QStringLiteral("17"), QStringLiteral("Разработка")},
                           {QStringLiteral("18"), QStringLiteral("Поддержка")}});
        session->setTasks(QStringLiteral("17"), {task("101", "Сверстать форму входа", "2020-05-12 18:00:00", "0", 0),
                                                 task("102", "Исправить отчёт", "not a date", "", 2), pseudoTask()});
        QList<Task> support;
        for (int i = 0; i < 10; ++i)
            support << task(QString::number(201 + i), QStringLiteral("Заявка %1").arg(i), "", i == 6 ? "1" : "0", 0);
        session->setTasks(QStringLiteral("18"), support);
        session->setTeamID(QStringLiteral("17"));
        session->setTaskID(QStringLiteral("102"));
        m_form = std::make_unique<TaskForm>(m_velmora.get());
    }

    void cleanup()
    {
        m_form.reset();
        m_velmora.reset();
    }

    void offlineListsComeFromTheSessionAtOnce()
    {
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        QCOMPARE(m_form->size(), QSize(385, 144));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Задачи"));
        QCOMPARE(m_form->findChildren<QPushButton *>(QStringLiteral("pbVelmora")).size(), 2);
        QCOMPARE(loading()->text(), QString());
        QVERIFY(teams()->isEnabled() && tasks()->isEnabled());
        QCOMPARE(teams()->count(), 2);
        QCOMPARE(teams()->itemText(1), QStringLiteral("Поддержка"));
        QCOMPARE(teams()->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("Поддержка"));
        QCOMPARE(m_form->currentTeamId(), QStringLiteral("17"));
        QCOMPARE(teams()->toolTip(), QStringLiteral("Разработка"));
        QCOMPARE(m_form->currentTaskId(), QStringLiteral("102"));
        QVERIFY(!errors.wait(300)); // nothing was asked of the service
    }

    void taskItems_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("icon");
        QTest::newRow("deadline") << 0 << "Сверстать форму входа | Истекает: 2020-05-12 18:00:00"
                                  << "101"
                                  << ":/images/pbTask.png";
        QTest::newRow("invalid deadline, important") << 1 << "Исправить отчёт"
                                                     << "102"
                                                     << ":/images/pbTaskUrgentGrey.png";
        QTest::newRow("pseudo-task") << 2 << pseudoTask().title << "0"
                                     << ":/images/pbTask.png";
    }

    void taskItems()
    {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, id);
        QFETCH(QString, icon);
        QCOMPARE(tasks()->count(), 3);
        QCOMPARE(tasks()->itemText(row), text);
        QCOMPARE(tasks()->itemData(row, Qt::ToolTipRole).toString(), text);
        QCOMPARE(tasks()->itemData(row).toString(), id);
        QCOMPARE(tasks()->itemIcon(row).pixmap(16).toImage(), QIcon(icon).pixmap(16).toImage());
    }

    void aTeamWithABlockingTaskOffersOnlyThat()
    {
        teams()->setCurrentIndex(1);
        QCOMPARE(tasks()->count(), 1);
        QCOMPARE(m_form->currentTaskId(), QStringLiteral("207"));
        QCOMPARE(tasks()->itemIcon(0).pixmap(16).toImage(),
                 QIcon(QStringLiteral(":/images/pbTaskBlocked.png")).pixmap(16).toImage());
    }

    void picksAreRememberedAcrossTeamSwitches()
    {
        tasks()->setCurrentIndex(0); // the user picks task 101
        teams()->setCurrentIndex(1);
        QCOMPARE(m_form->currentTeamId(), QStringLiteral("18"));
        teams()->setCurrentIndex(0);
        QCOMPARE(m_form->currentTaskId(), QStringLiteral("101"));
    }

    void cancelThenReloadPreselectsTheSessionsChoice()
    {
        m_form->show();
        QSignalSpy accepted(m_form.get(), &QDialog::accepted);
        QSignalSpy rejected(m_form.get(), &QDialog::rejected);
        teams()->setCurrentIndex(1);
        QTest::mouseClick(m_form->findChildren<QPushButton *>(QStringLiteral("pbVelmora")).last(), Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QCOMPARE(accepted.count() + rejected.count(), 0);

        m_form->show();
        m_form->reload();
        QCOMPARE(m_form->currentTeamId(), QStringLiteral("17"));
        QCOMPARE(m_form->currentTaskId(), QStringLiteral("102"));
    }

    void okAccepts()
    {
        m_form->show();
        QSignalSpy accepted(m_form.get(), &QDialog::accepted);
        QTest::mouseClick(m_form->findChildren<QPushButton *>(QStringLiteral("pbVelmora")).first(), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
        QVERIFY(!m_form->isVisible());
    }

    void unknownPicksFallBackToTheFirstItems()
    {
        m_velmora->session()->setTeamID(QStringLiteral("99"));
        m_velmora->session()->setTaskID(QStringLiteral("999"));
        m_form->reload();
        QCOMPARE(m_form->currentTeamId(), QStringLiteral("17"));
        QCOMPARE(m_form->currentTaskId(), QStringLiteral("101"));
    }

    void noTeamsLeavesBothListsEmpty()
    {
        m_velmora->session()->setTeams({});
        m_form->reload();
        QCOMPARE(teams()->count(), 0);
        QCOMPARE(tasks()->count(), 0);
        QCOMPARE(m_form->currentTeamId(), QString());
        QCOMPARE(m_form->currentTaskId(), QString());
    }

    // A download while the dialog is hidden leaves its lists alone; they are
    // refilled when it shows again.
    void hiddenListsWaitForTheNextShow()
    {
        m_velmora->session()->setTeams({{QStringLiteral("18"), QStringLiteral("Поддержка")}});
        QCOMPARE(teams()->count(), 2);
        m_form->show();
        m_form->reload();
        QCOMPARE(teams()->count(), 1);
        m_velmora->session()->setTasks(QStringLiteral("18"), {pseudoTask()});
        QCOMPARE(tasks()->count(), 1); // shown: refilled at once
        QCOMPARE(m_form->currentTaskId(), pseudoTaskId());
    }

    void onlineLoadsAndFallsBackWhenTheServiceFails()
    {
        m_velmora->session()->setOnline(true);
        QSignalSpy errors(m_velmora.get(), &Velmora::error);
        m_form->reload();
        QCOMPARE(loading()->text(), QStringLiteral("Загрузка..."));
        QVERIFY(!teams()->isEnabled() && !tasks()->isEnabled());
        QCOMPARE(teams()->count(), 2); // the old lists stay meanwhile
        QVERIFY(errors.wait(20000));
        QCOMPARE(loading()->text(), QStringLiteral("Нет соединения"));
        QVERIFY(teams()->isEnabled() && tasks()->isEnabled());
        QCOMPARE(m_form->currentTaskId(), QStringLiteral("102"));
    }

    // A row longer than the box: the closed box keeps the deadline whole and
    // shortens the title; the open list shows every row whole.
    void longRowsStayReadable()
    {
        const QString deadline = QStringLiteral(" | Истекает: 2026-12-17 18:00:00");
        const QString longTitle = QStringLiteral("Обновить библиотеку шифрования и проверить все подписи сборок");
        m_velmora->session()->setTasks(QStringLiteral("17"), {task("101", longTitle, "2026-12-17 18:00:00", "0", 0)});
        m_velmora->session()->setTaskID(QStringLiteral("101"));
        m_form->reload();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QFontMetrics metrics = tasks()->fontMetrics();
        QVERIFY(metrics.horizontalAdvance(longTitle + deadline) > tasks()->width());

        const QString shown = DeadlineComboBox::shownText(longTitle + deadline, metrics, tasks()->width() - 40);
        QVERIFY2(shown.endsWith(QStringLiteral("…") + deadline), qPrintable(shown));
        QVERIFY(shown.startsWith(QStringLiteral("Обновить")));
        QVERIFY(metrics.horizontalAdvance(shown) <= tasks()->width() - 40);
        QCOMPARE(tasks()->toolTip(), longTitle + deadline);

        tasks()->showPopup();
        QAbstractItemView *list = tasks()->view();
        QTRY_VERIFY(list->isVisible());
        QVERIFY(list->viewport()->width() >=
                list->fontMetrics().horizontalAdvance(longTitle + deadline) + tasks()->iconSize().width() + 16);
        tasks()->hidePopup();
    }

    void shownText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("widthInChars");
        QTest::addColumn<QString>("startsWith");
        QTest::addColumn<QString>("endsWith");
        QTest::newRow("fits") << "Отчёт | Истекает: 2026-12-17 18:00:00" << 60 << "Отчёт | "
                              << "18:00:00";
        QTest::newRow("no deadline: the end is cut") << QString(80, QLatin1Char('x')) << 20 << "xxx"
                                                     << "x…";
        QTest::newRow("too narrow for any title: the end is cut")
            << "Отчёт за квартал | Истекает: 2026-12-17 18:00:00" << 12 << "Отчёт"
            << "…";
    }

    void shownText()
    {
        QFETCH(QString, text);
        QFETCH(int, widthInChars);
        QFETCH(QString, startsWith);
        QFETCH(QString, endsWith);
        const QFontMetrics metrics = tasks()->fontMetrics();
        const int width = widthInChars * metrics.horizontalAdvance(QLatin1Char('x'));
        const QString shown = DeadlineComboBox::shownText(text, metrics, width);
        QVERIFY2(shown.startsWith(startsWith) && shown.endsWith(endsWith), qPrintable(shown));
        QVERIFY(metrics.horizontalAdvance(shown) <= width);
    }

private:
    QComboBox *teams() const { return m_form->findChild<QComboBox *>(QStringLiteral("cbTeam")); }
    QComboBox *tasks() const { return m_form->findChild<QComboBox *>(QStringLiteral("cbTask")); }
    QLabel *loading() const { return m_form->findChild<QLabel *>(QStringLiteral("lbLoading")); }

    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<TaskForm> m_form;
};

QTEST_MAIN(TestTaskForm)
#include "TestTaskForm.moc"
