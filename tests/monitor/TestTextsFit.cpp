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

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTextDocument>
#include <QtMath>

#include <functional>
#include <memory>

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

/// Why \a text does not fit \a room, or nothing when it does.
QString misfit(const QWidget *widget, const QString &text, const QSize &need, const QRect &room)
{
    if (need.width() <= room.width() && need.height() <= room.height())
        return QString();
    return QStringLiteral("%1 \"%2\": needs %3 x %4, has %5 x %6")
        .arg(widget->objectName(), text)
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
}

QString labelMisfit(const QLabel *label)
{
    const QString text = label->text();
    if (text.isEmpty() || (label->pixmap(Qt::ReturnByValue).width() > 0))
        return QString();
    const int margin = label->margin();
    const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    const bool rich =
        label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    QSize need;
    if (rich) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setDocumentMargin(0);
        document.setHtml(text);
        if (label->wordWrap())
            document.setTextWidth(room.width());
        need = QSize(qCeil(label->wordWrap() ? document.size().width() : document.idealWidth()),
                     qCeil(document.size().height()));
    } else {
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        need = label->fontMetrics().boundingRect(room, flags, text).size();
    }
    return misfit(label, text, need, room);
}

QString buttonMisfit(const QPushButton *button)
{
    if (button->text().isEmpty())
        return QString();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const int iconWidth = option.icon.isNull() ? 0 : option.iconSize.width() + 4;
    const QSize need(button->fontMetrics().horizontalAdvance(option.text) + iconWidth, button->fontMetrics().height());
    return misfit(button, option.text, need, room);
}

QString comboBoxMisfit(const QComboBox *box)
{
    QString text = box->currentText();
    if (text.isEmpty())
        return QString();
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.currentText = text;
    option.currentIcon = box->itemIcon(box->currentIndex());
    option.iconSize = box->iconSize();
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    const int iconWidth = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
    if (qobject_cast<const DeadlineComboBox *>(box)) {
        // Shortened on purpose, but the deadline must stay whole.
        const int split = text.lastIndexOf(QLatin1String(" | "));
        const QString shown = DeadlineComboBox::shownText(text, box->fontMetrics(), field.width() - iconWidth);
        if (split > 0 && !shown.endsWith(text.mid(split)))
            return box->objectName() + QStringLiteral(" cuts the deadline: ") + shown;
        text = shown;
    }
    const QSize need(box->fontMetrics().horizontalAdvance(text) + iconWidth, box->fontMetrics().height());
    return misfit(box, text, need, field);
}

/// Every text of \a window that its widget cuts: labels, buttons, read-only
/// line edits and combo boxes must fit; a one-line marquee that is too
/// narrow must scroll.
QStringList clippedTexts(QWidget *window)
{
    QStringList clipped;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(window))
            continue;
        QString problem;
        if (auto *marquee = qobject_cast<ScrollText *>(widget)) {
            const bool tooWide = marquee->fontMetrics().horizontalAdvance(marquee->text()) > marquee->width();
            if (tooWide && !marquee->isScrolling())
                problem = marquee->objectName() + QStringLiteral(" does not scroll: ") + marquee->text();
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            problem = labelMisfit(label);
        } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
            problem = buttonMisfit(button);
        } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
            // What the user types scrolls on purpose; fixed texts must fit.
            if (edit->isReadOnly())
                problem =
                    misfit(edit, edit->text(),
                           QSize(edit->fontMetrics().horizontalAdvance(edit->text()), edit->fontMetrics().height()),
                           edit->contentsRect().adjusted(2, 0, -2, 0));
        } else if (auto *box = qobject_cast<QComboBox *>(widget)) {
            problem = comboBoxMisfit(box);
        }
        if (!problem.isEmpty())
            clipped << problem;
    }
    return clipped;
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
        const QStringList clipped = clippedTexts(window);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
    }

private:
    DemoSeed m_seed;
    std::unique_ptr<Velmora> m_velmora;
    std::vector<std::unique_ptr<QWidget>> m_keep;
};

QTEST_MAIN(TestTextsFit)
#include "TestTextsFit.moc"
