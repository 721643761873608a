#include "client/Velmora.h"
#include "dialogs/TaskDescriptionForm.h"
#include "dialogs/ScrollText.h"
#include "dialogs/TaskListForm.h"
#include "model/Session.h"
#include "support/TaskRecords.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

// The team task list over a session filled by the test, offline (the
// service address answers nothing), on a stand-in main window.
class TestTaskListForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9"); }

    void init()
    {
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        Velmora::Session *session = m_velmora->session();
        session->setOnline(false);
        session->setTeams({{QStringLiteral("17"), teamNames().value(QStringLiteral("17"))},
                           {QStringLiteral("18"), teamNames().value(QStringLiteral("18"))}});
        for (const char *id : {"101", "102"}) {
            TaskInfo info;
            info.id = QLatin1String(id);
            info.title = QStringLiteral("Задача ") + info.id;
            session->setTaskInfo(info.id, info);
        }
        session->setTasks(
            QStringLiteral("17"),
            {makeTask(QStringLiteral("101"), QStringLiteral("Сверстать форму входа"), "2026-12-24 18:30:00"),
             makeTask(QStringLiteral("102"), QStringLiteral("Без срока")), pseudoTask()});
        session->setTasks(QStringLiteral("18"),
                          {makeTask(QStringLiteral("201"), QStringLiteral("Дежурство")),
                           makeTask(QStringLiteral("202"), QStringLiteral("Звонки")),
                           makeTask(QStringLiteral("203"), QStringLiteral("Почта")), pseudoTask()});
        session->setTeamID(QStringLiteral("17"));
        m_mainWindow = std::make_unique<QWidget>();
        m_mainWindow->resize(392, 73);
    }

    void cleanup()
    {
        m_list.reset();
        m_mainWindow.reset();
        m_velmora.reset();
    }

    void constructionBuildsTheSessionsTeam_data()
    {
        QTest::addColumn<QString>("teamId");
        QTest::addColumn<QStringList>("taskIds");
        QTest::addColumn<QString>("title");
        QTest::newRow("the first team of the combo box")
            << "17" << QStringList{"101", "102"} << "Задачи команды \"Разработка\"";
        QTest::newRow("the second team") << "18" << QStringList{"201", "202", "203"} << "Задачи команды \"Поддержка\"";
    }

    void constructionBuildsTheSessionsTeam()
    {
        QFETCH(QString, teamId);
        QFETCH(QStringList, taskIds);
        QFETCH(QString, title);
        m_velmora->session()->setTeamID(teamId);
        createList();
        QCOMPARE(m_list->size(), QSize(394, 565));
        QCOMPARE(m_list->windowTitle(), title);
        QCOMPARE(teams()->currentData().toString(), teamId);
        QCOMPARE(teams()->count(), 2);
        QCOMPARE(teams()->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("Поддержка"));
        QCOMPARE(shownTaskIds(), taskIds); // never the pseudo-task "0"
        // Docked at the bottom right, directly above the main window.
        const QRect area = m_list->screen()->availableGeometry();
        QCOMPARE(m_list->pos(), QPoint(area.right() - 394, area.bottom() - 565 - 73));
        QVERIFY(!m_list->isModal());
    }

    void noTeamChosenYetShowsTheFirstTeam()
    {
        Velmora::Session *session = m_velmora->session();
        session->setTeamID(QString());
        const QList<Team> downloaded = session->teams();
        session->setTeams({});
        createList(); // a new user: no team chosen, no teams downloaded yet
        QCOMPARE(list()->count(), 0);
        session->setTeams(downloaded); // the first download
        QCOMPARE(teams()->currentIndex(), 0);
        QCOMPARE(shownTaskIds(), (QStringList{"101", "102"}));
        QCOMPARE(m_list->windowTitle(), QStringLiteral("Задачи команды \"Разработка\""));
    }

    void rowsShowTitleAndDeadline()
    {
        createList();
        QCOMPARE(list()->count(), 2);
        QCOMPARE(rowLabel(0)->toolTip(), QStringLiteral("Сверстать форму входа | Истекает: 2026-12-24 18:30:00"));
        QCOMPARE(rowLabel(1)->toolTip(), QStringLiteral("Без срока | Истекает: "));
        QCOMPARE(rowLabel(1)->text(), rowLabel(1)->toolTip());
        QCOMPARE(rowLabel(0)->size(), QSize(list()->width() - 112, 16));
        // A title too long for the row gives way: the deadline stays whole.
        QVERIFY(rowLabel(0)->text().endsWith(QStringLiteral(" | Истекает: 2026-12-24 18:30:00")));
        QVERIFY(rowLabel(0)->fontMetrics().horizontalAdvance(rowLabel(0)->text()) <= rowLabel(0)->width());
        QPushButton *button = rowButton(0);
        QCOMPARE(button->text(), QStringLiteral("Цели задач"));
        QCOMPARE(button->size(), QSize(84, 24));
        QCOMPARE(button->focusPolicy(), Qt::TabFocus);
        QCOMPARE(list()->visualItemRect(list()->item(1)).top() - list()->visualItemRect(list()->item(0)).top(), 26);
    }

    void teamChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("taskIds");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("rebuilt");
        QTest::newRow("choosing another team in the combo box")
            << "combo 18" << QStringList{"201", "202", "203"} << 1 << "Задачи команды \"Поддержка\"" << true;
        QTest::newRow("choosing the shown team again does not rebuild")
            << "combo 17" << QStringList{"101", "102"} << 0 << "Задачи команды \"Разработка\"" << false;
        QTest::newRow("the client changes the team")
            << "client 18" << QStringList{"201", "202", "203"} << 1 << "Задачи команды \"Поддержка\"" << true;
        QTest::newRow("the client names a team no item holds")
            << "client 99" << QStringList{} << -1 << "Задачи команды \"\"" << true;
        QTest::newRow("a team list without the shown team leaves list and title alone")
            << "teams 18" << QStringList{"101", "102"} << 0 << "Задачи команды \"Разработка\"" << false;
        QTest::newRow("a new team list with the shown team does not rebuild")
            << "teams 18 17" << QStringList{"101", "102"} << 1 << "Задачи команды \"Разработка\"" << false;
    }

    void teamChanges()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, taskIds);
        QFETCH(int, index);
        QFETCH(QString, title);
        QFETCH(bool, rebuilt);
        createList();
        const QPointer<QWidget> firstRow = list()->itemWidget(list()->item(0));
        QStringList words = change.split(QLatin1Char(' '));
        const QString kind = words.takeFirst();
        if (kind == QLatin1String("combo")) {
            teams()->setCurrentIndex(teams()->findData(words.first()));
        } else if (kind == QLatin1String("client")) {
            m_velmora->setTeamAndTask(words.first(), QString());
        } else {
            QList<Team> list;
            for (const QString &id : qAsConst(words))
                list << Team{id, teamNames().value(id)};
            m_velmora->session()->setTeams(list);
        }
        QCOMPARE(shownTaskIds(), taskIds);
        QCOMPARE(teams()->currentIndex(), index);
        QCOMPARE(m_list->windowTitle(), title);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // a cleared list's rows
        QCOMPARE(firstRow.isNull(), rebuilt);
    }

    void newTasksOfTheShownTeamDoNotReachTheList()
    {
        createList();
        m_velmora->session()->setTasks(QStringLiteral("17"),
                                       {makeTask(QStringLiteral("105"), QStringLiteral("Новая")), pseudoTask()});
        QCOMPARE(shownTaskIds(), (QStringList{"101", "102"}));
    }

    void oneDescriptionAtATime()
    {
        createList();
        m_list->show();
        rowButton(0)->click();
        TaskDescriptionForm *first = description(QStringLiteral("101"));
        QVERIFY(first && first->isVisible());
        // Standing directly left of the list, top edges aligned.
        QCOMPARE(first->pos(), QPoint(m_list->screen()->availableGeometry().right() - 394 - 361, m_list->y()));
        QVERIFY(!QApplication::activeModalWidget()); // the list stays usable

        rowButton(1)->click();
        TaskDescriptionForm *second = description(QStringLiteral("102"));
        QVERIFY(second && second->isVisible());
        QVERIFY(!first->isVisible());

        rowButton(1)->click();
        QVERIFY(!second->isVisible());
        rowButton(0)->click();
        QCOMPARE(description(QStringLiteral("101")), first); // reused
        QVERIFY(first->isVisible());
        QCOMPARE(descriptions().size(), 2);

        m_list->findChild<QPushButton *>(QStringLiteral("pbHide"))->click();
        QVERIFY(!m_list->isVisible());
        QVERIFY(!first->isVisible());
    }

    void hideAllRestoresOnlyWhatWasVisible_data()
    {
        QTest::addColumn<bool>("listVisible");
        QTest::addColumn<bool>("descriptionVisible");
        QTest::newRow("list and a description") << true << true;
        QTest::newRow("the list alone") << true << false;
        QTest::newRow("nothing") << false << false;
    }

    void hideAllRestoresOnlyWhatWasVisible()
    {
        QFETCH(bool, listVisible);
        QFETCH(bool, descriptionVisible);
        createList();
        m_list->show();
        rowButton(0)->click();
        rowButton(1)->click(); // 102 shown, 101 hidden by it
        if (!descriptionVisible)
            rowButton(1)->click();
        if (!listVisible)
            m_list->hide();

        m_list->hideAll();
        QVERIFY(!m_list->isVisible());
        for (TaskDescriptionForm *form : descriptions())
            QVERIFY(!form->isVisible());

        m_list->showAll();
        QCOMPARE(m_list->isVisible(), listVisible);
        QCOMPARE(description(QStringLiteral("102"))->isVisible(), descriptionVisible);
        QVERIFY(!description(QStringLiteral("101"))->isVisible());
    }

    void anotherAccountLeavesNothingOfThePrevious()
    {
        createList();
        m_list->show();
        rowButton(0)->click();
        QVERIFY(description(QStringLiteral("101"))->isVisible());

        Velmora::Session *session = m_velmora->session();
        session->clear();
        session->load(QStringLiteral("other@velmora.local"), QStringLiteral("pw"));
        session->setOnline(false);
        session->setTeams({{QStringLiteral("30"), QStringLiteral("Продажи")}});
        session->setTasks(QStringLiteral("30"),
                          {makeTask(QStringLiteral("301"), QStringLiteral("Счёт")), pseudoTask()});
        session->setTeamID(QStringLiteral("30"));
        emit m_velmora->loginOk();

        QVERIFY(descriptions().isEmpty());
        QCOMPARE(shownTaskIds(), QStringList{"301"});
        QCOMPARE(m_list->windowTitle(), QStringLiteral("Задачи команды \"Продажи\""));
    }

private:
    void createList() { m_list = std::make_unique<TaskListForm>(m_velmora.get(), m_mainWindow.get()); }

    QComboBox *teams() const { return m_list->findChild<QComboBox *>(QStringLiteral("cbTeam")); }
    QListWidget *list() const { return m_list->findChild<QListWidget *>(QStringLiteral("listWidget")); }
    QLabel *rowLabel(int row) const
    {
        return list()->itemWidget(list()->item(row))->findChild<QLabel *>(QStringLiteral("lbTask"));
    }
    QPushButton *rowButton(int row) const { return list()->itemWidget(list()->item(row))->findChild<QPushButton *>(); }

    QStringList shownTaskIds() const
    {
        QStringList ids;
        for (int row = 0; row < list()->count(); ++row)
            ids << rowButton(row)->property("task_id").toString();
        return ids;
    }

    /// The description windows: top-level windows of their own.
    static QList<TaskDescriptionForm *> descriptions()
    {
        QList<TaskDescriptionForm *> forms;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *form = qobject_cast<TaskDescriptionForm *>(widget))
                forms << form;
        }
        return forms;
    }

    /// The description window of \a taskId, known by the title it shows.
    static TaskDescriptionForm *description(const QString &taskId)
    {
        for (TaskDescriptionForm *form : descriptions()) {
            if (form->findChild<ScrollText *>()->text() == QStringLiteral("Задача ") + taskId)
                return form;
        }
        return nullptr;
    }

    static QMap<QString, QString> teamNames()
    {
        return {{QStringLiteral("17"), QStringLiteral("Разработка")},
                {QStringLiteral("18"), QStringLiteral("Поддержка")}};
    }

    std::unique_ptr<Velmora> m_velmora;
    std::unique_ptr<QWidget> m_mainWindow;
    std::unique_ptr<TaskListForm> m_list;
};

QTEST_MAIN(TestTaskListForm)
#include "TestTaskListForm.moc"
