#include "client/UpdateInfo.h"
#include "client/Velmora.h"
#include "common/ProgramFiles.h"
#include "dialogs/AutoScrollLineEdit.h"
#include "model/NotificationType.h"
#include "notifications/NotificationForm.h"
#include "notifications/NotificationManager.h"
#include "platform/Platform.h"
#include "platform/fake/FakeProgramLauncher.h"
#include "support/PageRecorder.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QtMath>

namespace {

int beeps = 0;
void countBeep()
{
    ++beeps;
}

} // namespace

/// Stands in for the main window: a strip of some height that counts how
/// often the manager asks it to refresh its notice signs.
class Strip : public QWidget
{
    Q_OBJECT

public:
    void refreshAttention() { ++refreshes; }
    int refreshes = 0;
};

class TestNotifications : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("VELMORA_SERVICE_URL", "https://127.0.0.1:9");
        NotificationManager::setBeep(countBeep);
        m_strip.resize(392, 100);
        manager()->setMainForm(&m_strip);
        connect(manager(), &NotificationManager::attentionChanged, &m_strip, &Strip::refreshAttention);
        m_velmora = std::make_unique<Velmora>();
        m_velmora->setSkipSaveOnExit(true);
        UpdateInfo::instance()->init(m_velmora.get());
    }

    void init()
    {
        m_strip.hide();
        m_strip.refreshes = 0;
        beeps = 0;
        m_pages.pages.clear();
    }

    void cleanup()
    {
        manager()->showPendingForms();
        manager()->deleteShownForms();
        QVERIFY(!manager()->hasNotifications());
    }

    void slotsStackAboveTheMainWindow()
    {
        const int bottom = QGuiApplication::primaryScreen()->availableGeometry().bottom();
        const int right = QGuiApplication::primaryScreen()->availableGeometry().right();
        m_strip.show();
        add(2);
        QCOMPARE(shown(0)->pos(), QPoint(right - 179, bottom - 207));
        QCOMPARE(shown(1)->pos(), QPoint(right - 179, bottom - 314));

        // The stack follows the strip at once, also popups that do not
        // repaint.
        m_strip.hide();
        QCOMPARE(shown(0)->y(), bottom - 107);
        QCOMPARE(shown(1)->y(), bottom - 214);
        m_strip.show();
        QCOMPARE(shown(0)->y(), bottom - 207);
    }

    void overflowWaitsSilentlyAndTakesTheFreedTopSlot()
    {
        m_strip.show();
        const int fitting = (QGuiApplication::primaryScreen()->availableGeometry().height() - 100) / 107;
        const int topLevels = QApplication::topLevelWidgets().size();
        add(fitting + 2);
        QCOMPARE(manager()->shownForms().size(), fitting);
        QCOMPARE(manager()->pendingNotices().size(), 2);
        QCOMPARE(beeps, fitting);
        QCOMPARE(m_strip.refreshes, fitting);
        // Waiting notices are records: no window is made before a slot is free.
        QCOMPARE(QApplication::topLevelWidgets().size(), topLevels + fitting);

        NotificationForm *second = shown(1);
        NotificationForm *third = shown(2);
        const NotificationManager::Notice firstQueued = manager()->pendingNotices().first();
        QPointer<NotificationForm> removed = second;
        manager()->removeForm(second);
        QCOMPARE(shown(1), third);
        QCOMPARE(third->index(), 1);
        QCOMPARE(shown(fitting - 1)->text(), firstQueued.text);
        QCOMPARE(shown(fitting - 1)->index(), fitting - 1);
        QVERIFY(shown(fitting - 1)->isVisible());
        QCOMPARE(manager()->pendingNotices().size(), 1);
        QCOMPARE(beeps, fitting);
        QTRY_VERIFY(removed.isNull());
    }

    // A notice identical to one shown or waiting (text, type and task) is
    // not added again; one that differs in any of them is.
    void identicalNoticesAreAddedOnce()
    {
        m_strip.show();
        const int fitting = (QGuiApplication::primaryScreen()->availableGeometry().height() - 100) / 107;
        add(fitting + 1);
        const int shownCount = manager()->shownForms().size();
        manager()->addNotification(QStringLiteral("Задача 0"), TaskAdded, QStringLiteral("0")); // shown
        manager()->addNotification(QStringLiteral("Задача %1").arg(fitting), TaskAdded,
                                   QString::number(fitting)); // waiting
        QCOMPARE(manager()->shownForms().size(), shownCount);
        QCOMPARE(manager()->pendingNotices().size(), 1);

        manager()->addNotification(QStringLiteral("Задача 0"), CommentAdded, QStringLiteral("0"));
        manager()->addNotification(QStringLiteral("Задача 0"), TaskAdded, QStringLiteral("1"));
        manager()->addNotification(QStringLiteral("Задача 00"), TaskAdded, QStringLiteral("0"));
        QCOMPARE(manager()->pendingNotices().size(), 4);

        // Once it has gone, the same notice may come again.
        NotificationForm *first = shown(0);
        first->closeAnimated();
        manager()->addNotification(QStringLiteral("Задача 0"), TaskAdded, QStringLiteral("0"));
        QCOMPARE(manager()->pendingNotices().size(), 5);
    }

    void newUpdateNoticeReplacesTheShownOneAtOnce()
    {
        manager()->addNotification(QStringLiteral("1.2.0"), UpdateAvailable, QString());
        add(1);
        QPointer<NotificationForm> first = shown(0);
        manager()->addNotification(QStringLiteral("1.3.0"), UpdateAvailable, QString());
        QCOMPARE(manager()->shownForms().size(), 2);
        QCOMPARE(shown(0)->type(), int(TaskAdded));
        QCOMPARE(shown(0)->index(), 0);
        QCOMPARE(shown(1)->type(), int(UpdateAvailable));
        QVERIFY(!first->isClosing()); // gone without a fade
        QVERIFY(!first->isVisible());
        QTRY_VERIFY(first.isNull());
    }

    void popupLayout_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("buttons");
        QTest::newRow("comment") << int(CommentAdded) << QStringLiteral("К задаче \"Отчёт\" добавлен новый комментарий")
                                 << false;
        QTest::newRow("update") << int(UpdateAvailable)
                                << QStringLiteral("Доступно новое обновление Velmora Team Отчёт") << true;
    }

    void popupLayout()
    {
        QFETCH(int, type);
        QFETCH(QString, message);
        QFETCH(bool, buttons);
        NotificationForm form(QStringLiteral("Отчёт"), type, QString(), &m_strip);
        QCOMPARE(form.size(), QSize(179, 107));
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form.windowType(), Qt::Tool);
        auto *text = form.findChild<QTextEdit *>(QStringLiteral("leMessage"));
        QCOMPARE(text->toPlainText(), message);
        QCOMPARE(text->height(), buttons ? 40 : 70);
        form.show();
        const QList<QPushButton *> pushButtons = form.findChildren<QPushButton *>(QStringLiteral("pbVelmora"));
        QCOMPARE(pushButtons.size(), 2);
        QCOMPARE(pushButtons[0]->text(), QStringLiteral("Обновить"));
        QCOMPARE(pushButtons[1]->text(), QStringLiteral("Позже"));
        for (QPushButton *button : pushButtons)
            QCOMPARE(button->isVisible(), buttons);
    }

    // A text that fits stands in the middle of the box; a longer one starts
    // below the header band and scrolls there, never over it, showing whole
    // lines at rest.
    void messagePlacement_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::newRow("short") << QStringLiteral("Переход в онлайн-режим.") << true;
        QTest::newRow("long") << QStringLiteral("Вы работаете по задаче \"Сверстать форму входа\" в команде "
                                                "\"Разработка\". Активное время за сегодня 2ч. 5мин. Активное "
                                                "время по задаче 1ч. 0мин.")
                              << false;
    }

    void messagePlacement()
    {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        NotificationForm form(text, Message, QString(), &m_strip);
        form.show();
        auto *box = form.findChild<AutoScrollLineEdit *>(QStringLiteral("leMessage"));
        const int bandBottom = 23; // of the background picture, in popup pixels
        const QRect area = box->textArea().translated(box->pos());
        QVERIFY(area.top() >= bandBottom);
        const int textHeight = qCeil(box->document()->size().height());
        QCOMPARE(textHeight <= area.height(), fits);
        if (fits) {
            QVERIFY(qAbs((area.top() + textHeight / 2) - box->geometry().center().y()) <= 3);
        } else {
            QCOMPARE(area.top(), box->y() + 3);
            // Resting at the top or the bottom, no line is cut in half.
            const int margin = qRound(box->document()->documentMargin());
            QVERIFY(box->lineHeight() > 0);
            QCOMPARE((area.height() - margin) % box->lineHeight(), 0);
        }
    }

    void clicks_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("taskId");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("opensPage");
        QTest::newRow("comment, left") << int(CommentAdded) << QStringLiteral("55") << int(Qt::LeftButton) << true;
        QTest::newRow("comment, right") << int(CommentAdded) << QStringLiteral("55") << int(Qt::RightButton) << false;
        QTest::newRow("blocked task, left") << int(TaskBlocked) << QStringLiteral("7") << int(Qt::LeftButton) << true;
        QTest::newRow("task without id") << int(TaskAdded) << QString() << int(Qt::LeftButton) << false;
        QTest::newRow("team") << int(TeamAdded) << QStringLiteral("55") << int(Qt::LeftButton) << false;
        QTest::newRow("task removed") << int(TaskRemoved) << QStringLiteral("55") << int(Qt::LeftButton) << false;
    }

    void clicks()
    {
        QFETCH(int, type);
        QFETCH(QString, taskId);
        QFETCH(int, button);
        QFETCH(bool, opensPage);
        manager()->addNotification(QStringLiteral("Отчёт"), type, taskId);
        NotificationForm *form = shown(0);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        // The press lands on the text, which passes it on to the popup.
        QTest::mouseClick(form->findChild<QAbstractScrollArea *>()->viewport(), Qt::MouseButton(button));
        QCOMPARE(m_pages.pages,
                 opensPage ? QStringList(QStringLiteral("https://127.0.0.1:9/task?id=") + taskId) : QStringList());
        QVERIFY(form->isClosing());
        QPointer<NotificationForm> fading = form;
        QTRY_VERIFY(fading.isNull());
        QVERIFY(!manager()->hasNotifications());
        QCOMPARE(m_strip.refreshes, 2);
    }

    void popupClickedTwiceFadesOnce()
    {
        add(1);
        NotificationForm *form = shown(0);
        QSignalSpy closed(form, &NotificationForm::notificationClosed);
        QTest::mouseClick(form, Qt::LeftButton);
        QTest::mouseClick(form, Qt::LeftButton);
        QCOMPARE(form->findChildren<QPropertyAnimation *>().size(), 1);
        QTRY_COMPARE(closed.size(), 1);
        QTest::qWait(400);
        QCOMPARE(closed.size(), 1);
    }

    void onlyMessagesOfPassingNewsCloseByThemselves_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("closesByItself");
        for (int type = -1; type <= 11; ++type) {
            const bool passing = type == 0 || type == 2 || type == 4 || type == 7 || type < 0 || type > 10;
            QTest::addRow("type %d", type) << type << passing;
        }
    }

    void onlyMessagesOfPassingNewsCloseByThemselves()
    {
        QFETCH(int, type);
        QFETCH(bool, closesByItself);
        QCOMPARE(NotificationForm::closesByItself(type), closesByItself);
        if (type < 0 || type > 10)
            return;
        manager()->addNotification(QStringLiteral("x"), type, QString());
        NotificationForm *form = shown(0);
        auto *timer = form->findChild<QTimer *>(QStringLiteral("autoCloseTimer"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 5000);
        QCOMPARE(timer->isActive(), closesByItself);
        if (!closesByItself)
            return;
        form->hide(); // queued popups wait without a clock
        QVERIFY(!timer->isActive());
        form->show();
        QVERIFY(timer->isActive());
        QMetaObject::invokeMethod(timer, "timeout");
        QVERIFY(form->isClosing());
    }

    void toggleHidesAllButFadingAndShowsTheQueueInOrder()
    {
        m_strip.hide();
        const int fitting = QGuiApplication::primaryScreen()->availableGeometry().height() / 107;
        add(fitting + 1);
        const QList<NotificationForm *> shownBefore = manager()->shownForms();
        const QStringList waiting = pendingTexts();
        QCOMPARE(waiting.size(), 1);
        NotificationForm *fading = shownBefore.last();
        fading->closeAnimated();
        const int refreshes = m_strip.refreshes;

        manager()->toggleForms();
        QCOMPARE(manager()->shownForms(), QList<NotificationForm *>{fading});
        QCOMPARE(pendingTexts(), waiting + texts(shownBefore.mid(0, fitting - 1)));
        QVERIFY(fading->isVisible());
        QVERIFY(!shownBefore.first()->isVisible());
        QCOMPARE(m_strip.refreshes, refreshes);

        // The fade ends; the first waiting notice takes its slot.
        QTRY_COMPARE(texts(manager()->shownForms()), waiting);
        const QList<NotificationForm *> waitingForms = manager()->shownForms();
        manager()->toggleForms();
        QVERIFY(manager()->shownForms().isEmpty());
        manager()->toggleForms();
        // Hidden popups come back as the same windows.
        QCOMPARE(manager()->shownForms(), shownBefore.mid(0, fitting - 1) + waitingForms);
        for (int i = 0; i < manager()->shownForms().size(); ++i) {
            QCOMPARE(shown(i)->index(), i);
            QVERIFY(shown(i)->isVisible());
        }
        QVERIFY(manager()->pendingNotices().isEmpty());
    }

    void updateButton_data()
    {
        QTest::addColumn<QByteArray>("versionFile");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<int>("updaterStarts");
        QTest::addColumn<bool>("fades");
        QTest::newRow("no entries") << QByteArray("[]") << QStringList() << 0 << false;
        QTest::newRow("one entry") << QByteArray("[{\"version\":\"1.2.0\"}]")
                                   << QStringList(QStringLiteral("https://127.0.0.1:9/monitor/")) << 0 << true;
        QTest::newRow("files to fetch") << QByteArray("[{\"version\":\"1.2.0\"},{\"file\":\"TALV\"}]") << QStringList()
                                        << 1 << true;
    }

    void updateButton()
    {
        QFETCH(QByteArray, versionFile);
        QFETCH(QStringList, pages);
        QFETCH(int, updaterStarts);
        QFETCH(bool, fades);
        auto launcher = std::make_unique<FakeProgramLauncher>();
        FakeProgramLauncher *fake = launcher.get();
        Platform::setLauncher(std::move(launcher));
        UpdateInfo::instance()->setUpdateInfo(versionFile);

        manager()->addNotification(QStringLiteral("1.2.0"), UpdateAvailable, QString());
        NotificationForm *form = shown(0);
        if (!fades)
            QTest::ignoreMessage(QtDebugMsg, "Error! There is no update info ()");
        QTest::mouseClick(form->findChildren<QPushButton *>().first(), Qt::LeftButton);
        QCOMPARE(m_pages.pages, pages);
        QCOMPARE(fake->calls.size(), updaterStarts);
        if (updaterStarts)
            QCOMPARE(fake->calls.first(), ProgramFiles::pathOf(ProgramFiles::updaterFileName()) + QLatin1Char(' '));
        QCOMPARE(form->isClosing(), fades);
    }

private:
    static NotificationManager *manager() { return NotificationManager::instance(); }
    static NotificationForm *shown(int i) { return manager()->shownForms().at(i); }
    static QStringList texts(const QList<NotificationForm *> &forms)
    {
        QStringList result;
        for (const NotificationForm *form : forms)
            result << form->text();
        return result;
    }

    static QStringList pendingTexts()
    {
        QStringList result;
        for (const NotificationManager::Notice &notice : manager()->pendingNotices())
            result << notice.text;
        return result;
    }

    static void add(int count)
    {
        for (int i = 0; i < count; ++i)
            manager()->addNotification(QStringLiteral("Задача %1").arg(i), TaskAdded, QString::number(i));
    }

    Strip m_strip;
    PageRecorder m_pages;
    std::unique_ptr<Velmora> m_velmora;
};

QTEST_MAIN(TestNotifications)
#include "TestNotifications.moc"
