#include "dialogs/CalendarForm.h"
#include "support/RaisedNotices.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextCharFormat>
#include <QTimeEdit>
#include <QToolButton>

namespace {

using Notice = RaisedNotices::Notice;

} // namespace

// The deadline dialog on its own: what it shows, what it returns, and the
// one thing it refuses.
class TestCalendarForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Notifier::install(&m_notices); }
    void cleanupTestCase() { Notifier::install(nullptr); }

    void init()
    {
        m_notices.notices.clear();
        m_form = std::make_unique<CalendarForm>();
        m_form->show();
    }

    void cleanup() { m_form.reset(); }

    void looksAsDesigned()
    {
        QCOMPARE(m_form->size(), QSize(216, 360));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Запрос на продление задачи"));
        QCOMPARE(m_form->findChild<QLabel *>(QStringLiteral("lbReason"))->text(),
                 QStringLiteral("Причина для переноса: "));
        const QList<QPushButton *> buttons = m_form->findChildren<QPushButton *>(QStringLiteral("pbVelmora"));
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons.at(0)->text(), QStringLiteral("Ок"));
        QCOMPARE(buttons.at(0)->nextInFocusChain(), buttons.at(1));
        QVERIFY(m_form->findChild<QPlainTextEdit *>()->tabChangesFocus());

        QCalendarWidget *calendar = this->calendar();
        QCOMPARE(calendar->locale().language(), QLocale::Russian);
        QCOMPARE(calendar->firstDayOfWeek(), Qt::Monday);
        QCOMPARE(calendar->verticalHeaderFormat(), QCalendarWidget::NoVerticalHeader);
        for (Qt::DayOfWeek day : {Qt::Saturday, Qt::Sunday})
            QCOMPARE(calendar->weekdayTextFormat(day).foreground().color(), QColor(249, 156, 0));
        QCOMPARE(calendar->weekdayTextFormat(Qt::Friday).foreground().color() == QColor(249, 156, 0), false);
        // The day grid lets the dialog's picture through.
        const QPalette grid = calendar->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"))->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(grid.color(group, QPalette::Base).alpha(), 0);
            QCOMPARE(grid.color(group, QPalette::AlternateBase).alpha(), 0);
        }
    }

    void monthAndYearChangeThroughTheArrowsOnly()
    {
        QCalendarWidget *calendar = this->calendar();
        auto *month = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
        auto *year = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_yearbutton"));
        QVERIFY(!month->isEnabled() && !year->isEnabled());
        QVERIFY(!month->menu());
        QCOMPARE(month->width(), 60);

        calendar->setCurrentPage(2026, 12);
        QTest::mouseClick(calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_nextmonth")), Qt::LeftButton);
        QCOMPARE(calendar->yearShown(), 2027);
        QCOMPARE(calendar->monthShown(), 1);
        QTest::mouseClick(calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_prevmonth")), Qt::LeftButton);
        QTest::mouseClick(calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_prevmonth")), Qt::LeftButton);
        QCOMPARE(calendar->monthShown(), 11);
    }

    void blankReasonsAreRefused_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("nothing typed") << "" << false;
        QTest::newRow("blanks only") << "   " << false;
        QTest::newRow("blanks, tabs and line breaks") << " \n\t\n  " << false;
        QTest::newRow("a word among blanks") << "\n  ждём ответа  \n" << true;
    }

    void blankReasonsAreRefused()
    {
        QFETCH(QString, reason);
        QFETCH(bool, accepted);
        QSignalSpy acceptedSpy(m_form.get(), &QDialog::accepted);
        m_form->findChild<QPlainTextEdit *>()->setPlainText(reason);
        QTest::mouseClick(m_form->findChildren<QPushButton *>(QStringLiteral("pbVelmora")).at(0), Qt::LeftButton);
        QCOMPARE(acceptedSpy.count(), accepted ? 1 : 0);
        QCOMPARE(m_form->isVisible(), !accepted);
        const QList<Notice> refused{{QStringLiteral("Введите причину переноса!"), 0, QString()}};
        QCOMPARE(m_notices.notices, accepted ? QList<Notice>() : refused);
        QCOMPARE(m_form->getReason(), reason); // as typed, never trimmed
    }

    void untouchedGivesTodayAndTheDaysEnd()
    {
        QCOMPARE(m_form->selectedDate(), QDate::currentDate());
        QCOMPARE(m_form->selectedTime(), QTime(23, 59));
        QCOMPARE(m_form->findChild<QTimeEdit *>()->displayFormat(), QStringLiteral("H:mm"));
    }

    void cancelRaisesNothing()
    {
        QSignalSpy rejected(m_form.get(), &QDialog::rejected);
        QSignalSpy accepted(m_form.get(), &QDialog::accepted);
        QTest::mouseClick(m_form->findChildren<QPushButton *>(QStringLiteral("pbVelmora")).at(1), Qt::LeftButton);
        QCOMPARE(rejected.count(), 1);
        QCOMPARE(accepted.count(), 0);
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_notices.notices.isEmpty());
    }

private:
    QCalendarWidget *calendar() const { return m_form->findChild<QCalendarWidget *>(); }

    RaisedNotices m_notices;
    std::unique_ptr<CalendarForm> m_form;
};

QTEST_MAIN(TestCalendarForm)
#include "TestCalendarForm.moc"
