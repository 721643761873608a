#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/BundledFonts.h"
#include "common/Clock.h"
#include "common/StyleSheet.h"
#include "dialogs/AboutForm.h"
#include "dialogs/CalendarForm.h"
#include "dialogs/DeadlineComboBox.h"
#include "dialogs/LoginForm.h"
#include "dialogs/ScrollText.h"
#include "dialogs/TaskDescriptionForm.h"
#include "dialogs/TaskForm.h"
#include "dialogs/TaskListForm.h"
#include "mainwindow/MainForm.h"
#include "model/NotificationType.h"
#include "model/Notifier.h"
#include "model/TaskReader.h"
#include "notifications/NotificationForm.h"
#include "notifications/NotificationManager.h"
#include "support/ClippedTexts.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

const QDateTime now(QDate(2026, 12, 10), QTime(12, 0, 0));

/// "+3d 18:00:00" of the demo seed: days from today and a time of day.
QDateTime seedTime(const QString &text)
{
    const int d = text.indexOf(QLatin1Char('d'));
    if (text.isEmpty() || d < 0)
        return QDateTime();
    return QDateTime(now.date().addDays(text.left(d).toInt()),
                     QTime::fromString(text.mid(d + 2), QStringLiteral("HH:mm:ss")));
}

/// The demo seed's teams, tasks and descriptions, as the service gives them.
struct DemoSeed
{
    QList<Team> teams;
    QHash<QString, QList<Task>> tasks;
    QHash<QString, TaskInfo> infos;

    DemoSeed()
    {
        QFile file(QStringLiteral(VELMORA_SOURCE_DIR "/service/seed/demo.json"));
        file.open(QIODevice::ReadOnly);
        const QJsonObject seed = QJsonDocument::fromJson(file.readAll()).object();
        for (const QJsonValue team : seed.value(QStringLiteral("teams")).toArray())
            teams.append({team[QStringLiteral("id")].toString(), team[QStringLiteral("name")].toString()});
        TaskReader reader;
        for (const QJsonValue value : seed.value(QStringLiteral("tasks")).toArray()) {
            const QJsonObject object = value.toObject();
            Task task;
            task.id = object.value(QStringLiteral("id")).toString();
            task.title = object.value(QStringLiteral("title")).toString();
            task.deadline = seedTime(object.value(QStringLiteral("deadline")).toString());
            task.block = object.value(QStringLiteral("block")).toString();
            task.importance = object.value(QStringLiteral("importance")).toInt();
            for (const QJsonValue team : object.value(QStringLiteral("teams")).toArray())
                tasks[team.toString()].append(task);
            QVariantMap details = object.value(QStringLiteral("details")).toObject().toVariantMap();
            details.insert(QStringLiteral("id"), task.id);
            details.insert(QStringLiteral("title"), task.title);
            details.insert(QStringLiteral("deadline"), deadlineText(task.deadline));
            infos.insert(task.id, reader.taskInfo(details));
        }
        for (auto it = tasks.begin(); it != tasks.end(); ++it)
            it->append(pseudoTask());
    }

    /// The task whose row is the widest in \a font.
    Task widestTask(const QFont &font) const
    {
        const QFontMetrics metrics(font);
        Task widest;
        for (const QList<Task> &list : tasks) {
            for (const Task &task : list) {
                if (metrics.horizontalAdvance(task.title) > metrics.horizontalAdvance(widest.title))
                    widest = task;
            }
        }
        return widest;
    }
};

/// The widgets of the monitor that scroll or shorten their text on purpose:
/// a marquee that is too narrow must scroll, and the task box must keep the
/// deadline whole.
std::optional<QString> monitorMisfit(QWidget *widget)
{
    if (auto *marquee = qobject_cast<ScrollText *>(widget)) {
        const bool tooWide = marquee->fontMetrics().horizontalAdvance(marquee->text()) > marquee->width();
        if (tooWide && !marquee->isScrolling())
            return marquee->objectName() + QStringLiteral(" does not scroll: ") + marquee->text();
        return QString();
    }
    auto *box = qobject_cast<DeadlineComboBox *>(widget);
    if (!box)
        return std::nullopt;
    const QString text = box->currentText();
    const int split = text.lastIndexOf(QLatin1String(" | "));
    const QRect field = ClippedTexts::comboBoxField(box);
    const QString shown = DeadlineComboBox::shownText(text, box->fontMetrics(), field.width());
    if (split > 0 && !shown.endsWith(text.mid(split)))
        return box->objectName() + QStringLiteral(" cuts the deadline: ") + shown;
    const QSize need(box->fontMetrics().horizontalAdvance(shown), box->fontMetrics().height());
    return ClippedTexts::misfit(box, shown, need, field);
}

const QString longNotice = QStringLiteral("Вы работаете по задаче \"Разобрать отзывы из магазина приложений\" в "
                                          "команде \"Разработка\". Активное время за сегодня 7ч. 45мин. Активное "
                                          "время по задаче 3ч. 10мин.");

} // namespace

/// One window in one state, built over a client whose session holds the
/// demo seed.
using Scene = std::function<QWidget *(Velmora *client, std::vector<std::unique_ptr<QWidget>> &keep)>;
Q_DECLARE_METATYPE(Scene)

// Every window in every state that changes a text: nothing cut. Offscreen,
// with the fonts and style sheet the programs use.
class TestTextsFit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9");
        QVERIFY(BundledFonts::install());
        qApp->setStyleSheet(StyleSheet::application());
        Notifier::install(NotificationManager::instance());
        Clock::setNow(now);
    }

    void cleanupTestCase() { Clock::reset(); }

    void init()
    {
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        Velmora::Session *session = m_velmora->session();
        session->load(QStringLiteral("demo@velmora.local"), QStringLiteral("demo"));
        session->setOnline(false);
        session->setTeams(m_seed.teams);
        for (auto it = m_seed.tasks.cbegin(); it != m_seed.tasks.cend(); ++it)
            session->setTasks(it.key(), it.value());
        for (const TaskInfo &info : qAsConst(m_seed.infos))
            session->setTaskInfo(info.id, info);
        UpdateInfo::instance()->init(m_velmora.get());
    }

    void cleanup()
    {
        // The last made first: a window may use one made before it.
        while (!m_keep.empty())
            m_keep.pop_back();
        NotificationManager::instance()->showPendingForms();
        NotificationManager::instance()->deleteShownForms();
        m_velmora.reset();
    }

    void nothingIsCut_data()
    {
        QTest::addColumn<Scene>("scene");
        const Task widest = m_seed.widestTask(QApplication::font());

        const auto strip = [](std::function<void(Velmora *, MainForm *)> state) -> Scene {
            return [state](Velmora *client, std::vector<std::unique_ptr<QWidget>> &keep) {
                auto *form = new MainForm(client);
                keep.emplace_back(form);
                state(client, form);
                return form;
            };
        };
        QTest::newRow("strip, no task chosen") << strip([](Velmora *, MainForm *) {});
        QTest::newRow("strip, work clock") << strip([](Velmora *client, MainForm *form) {
            client->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
            client->session()->setTodayTotal(QTime(23, 59));
            form->updateTimerLbl();
        });
        QTest::newRow("strip, active clock") << strip([](Velmora *client, MainForm *form) {
            client->session()->setTodayActive(QTime(23, 59));
            form->toggleTimeMode();
        });
        QTest::newRow("strip, overdue a long time") << strip([](Velmora *client, MainForm *form) {
            // Task 102 is two days overdue; make it 99 days, 23 hours and 59 minutes.
            client->setTeamAndTask(QStringLiteral("17"), QStringLiteral("102"));
            Clock::setNow(client->session()->currentDeadline().addDays(99).addSecs(23 * 3600 + 59 * 60));
            form->updateOverdueTime();
            Clock::setNow(now);
        });
        QTest::newRow("strip, offline and recording") << strip([](Velmora *client, MainForm *form) {
            client->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
            form->findChild<QPushButton *>(QStringLiteral("pbPlay"))->setChecked(true);
            emit client->onlineChanged(QStringLiteral("Ошибка соединения. "));
        });
        QTest::newRow("strip, the widest task title") << strip(
            [widest](Velmora *client, MainForm *) { client->setTeamAndTask(QStringLiteral("17"), widest.id); });

        const auto signIn = [](int error, bool empty) -> Scene {
            return [error, empty](Velmora *client, std::vector<std::unique_ptr<QWidget>> &keep) {
                auto *form = new LoginForm(client);
                keep.emplace_back(form);
                if (empty)
                    form->findChild<QLineEdit *>(QStringLiteral("lbEmail"))->clear();
                if (error >= 0)
                    emit client->error(error);
                else
                    form->findChild<QPushButton *>(QStringLiteral("pbVelmora"))->click();
                return form;
            };
        };
        QTest::newRow("sign-in, wrong password") << signIn(Velmora::InvalidLogin, false);
        QTest::newRow("sign-in, no connection") << signIn(Velmora::HostNotFound, false);
        QTest::newRow("sign-in, no database") << signIn(Velmora::DatabaseUnavailable, false);
        QTest::newRow("sign-in, no e-mail") << signIn(-1, true);

        const auto taskChoice = [](const QString &taskId, int error) -> Scene {
            return [taskId, error](Velmora *client, std::vector<std::unique_ptr<QWidget>> &keep) {
                client->setTeamAndTask(QStringLiteral("17"), taskId);
                auto *form = new TaskForm(client);
                keep.emplace_back(form);
                form->reload();
                if (error >= 0)
                    emit client->error(error);
                return form;
            };
        };
        QTest::newRow("task choice, the widest task") << taskChoice(widest.id, -1);
        QTest::newRow("task choice, no connection") << taskChoice(QStringLiteral("103"), Velmora::NetworkFailed);

        const auto popup = [](int type, const QString &text) -> Scene {
            return [type, text](Velmora *, std::vector<std::unique_ptr<QWidget>> &keep) {
                auto *form = new NotificationForm(text, type, QStringLiteral("101"), nullptr);
                keep.emplace_back(form);
                return form;
            };
        };
        for (int type = Message; type <= BlockingTaskAdded; ++type) {
            const QString name = QString::number(type);
            QTest::newRow(qPrintable(QStringLiteral("popup %1, short").arg(name)))
                << popup(type, type == UpdateAvailable ? QStringLiteral("1.1.1") : QStringLiteral("Отчёт"));
            QTest::newRow(qPrintable(QStringLiteral("popup %1, long").arg(name)))
                << popup(type, type == UpdateAvailable ? QStringLiteral("10.10.10") : longNotice);
        }

        QTest::newRow("team task list") << Scene([](Velmora *client, std::vector<std::unique_ptr<QWidget>> &keep) {
            client->setTeamAndTask(QStringLiteral("17"), QStringLiteral("101"));
            auto *mainWindow = new QWidget;
            mainWindow->resize(392, 73);
            keep.emplace_back(mainWindow);
            auto *form = new TaskListForm(client, mainWindow);
            keep.emplace_back(form);
            return form;
        });
        for (const char *taskId : {"101", "105"}) {
            QTest::newRow(qPrintable(QStringLiteral("task description %1").arg(QLatin1String(taskId))))
                << Scene([taskId](Velmora *client, std::vector<std::unique_ptr<QWidget>> &keep) {
                       auto *list = new QWidget;
                       list->resize(394, 565);
                       keep.emplace_back(list);
                       auto *form = new TaskDescriptionForm(QLatin1String(taskId), client, list);
                       keep.emplace_back(form);
                       form->requestUpdateTask(QLatin1String(taskId));
                       return form;
                   });
        }
        QTest::newRow("deadline request") << Scene([](Velmora *, std::vector<std::unique_ptr<QWidget>> &keep) {
            auto *form = new CalendarForm;
            keep.emplace_back(form);
            return form;
        });
        QTest::newRow("about") << Scene([](Velmora *client, std::vector<std::unique_ptr<QWidget>> &keep) {
            auto *form = new AboutForm(client);
            keep.emplace_back(form);
            return form;
        });
    }

    void nothingIsCut()
    {
        QFETCH(Scene, scene);
        QWidget *window = scene(m_velmora.get(), m_keep);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QStringList clipped = ClippedTexts::of(window, monitorMisfit);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
    }

private:
    DemoSeed m_seed;
    std::unique_ptr<Velmora> m_velmora;
    std::vector<std::unique_ptr<QWidget>> m_keep;
};

QTEST_MAIN(TestTextsFit)
#include "TestTextsFit.moc"
