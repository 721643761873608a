#include "dialogs/CalendarForm.h"

#include "model/NotificationType.h"
#include "model/Notifier.h"
#include "ui_CalendarForm.h"

#include <QDebug>
#include <QIcon>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

namespace {

QIcon arrowIcon(const QString &path)
{
    const QPixmap picture(path);
    QIcon icon;
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Selected})
        icon.addPixmap(picture, mode);
    return icon;
}

} // namespace

CalendarForm::CalendarForm(QWidget *parent)
    : AbstractVelmoraForm(parent)
    , m_ui(std::make_unique<Ui::CalendarForm>())
{
    qDebug() << "CalendarForm CalendarForm";
    setObjectName(QStringLiteral("CalendarForm"));
    const QFont fixedFont = useFixedFont(this, 10);
    m_ui->setupUi(this);
    // The application style sheet's accent button.
    m_ui->pbOk->setObjectName(QStringLiteral("pbVelmora"));
    m_ui->pbCancel->setObjectName(QStringLiteral("pbVelmora"));

    QCalendarWidget *calendar = m_ui->calendarWidget;
    calendar->setLocale(QLocale(QLocale::Russian));
    for (Qt::DayOfWeek day : {Qt::Saturday, Qt::Sunday}) {
        QTextCharFormat weekend = calendar->weekdayTextFormat(day);
        weekend.setForeground(QColor(249, 156, 0));
        calendar->setWeekdayTextFormat(day, weekend);
    }
    // The day grid lets the dialog's picture through.
    calendar->setAutoFillBackground(false);
    if (auto *days = calendar->findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"))) {
        QPalette palette = days->palette();
        palette.setBrush(QPalette::All, QPalette::Base, Qt::transparent);
        palette.setBrush(QPalette::All, QPalette::AlternateBase, Qt::transparent);
        days->setPalette(palette);
    }
    // Month and year change through the arrows only.
    if (auto *month = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"))) {
        month->setEnabled(false);
        month->setMenu(nullptr);
        month->setFixedWidth(60);
    }
    if (auto *year = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_yearbutton")))
        year->setEnabled(false);
    if (auto *previous = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_prevmonth")))
        previous->setIcon(arrowIcon(QStringLiteral(":/icons/res/icons/pbarrow_left.png")));
    if (auto *next = calendar->findChild<QToolButton *>(QStringLiteral("qt_calendar_nextmonth")))
        next->setIcon(arrowIcon(QStringLiteral(":/icons/res/icons/pbarrow_right.png")));
    calendar->setStyleSheet(QStringLiteral(
        "QMenu { font-size:12px; width: 150px; left: 20px;color:rgb(0, 0, 0);background-color:rgb(232, 232, 232);"
        "selection-background-color:rgb(195, 195, 195);selection-color:rgb(0, 0, 0);}"
        "QToolButton {icon-size: 48px, 48px;background-color:transparent;color:rgb(100, 100, 100);height: 15px; "
        "width: 40px;}"
        "QAbstractItemView {selection-background-color: rgb(130, 130, 130);}"
        "QTableView {color:rgb(100, 100, 100);}"));
    // Six weeks of seven days in 186 x 141 pixels. The calendar's own style
    // sheet would give its parts the application's font: each keeps this one.
    calendar->setFont(fixedFont);
    for (QWidget *part : calendar->findChildren<QWidget *>())
        part->setFont(fixedFont);

    connect(m_ui->pbOk, &QPushButton::clicked, this, &CalendarForm::accept);
    connect(m_ui->pbCancel, &QPushButton::clicked, this, &CalendarForm::reject);
    loadBackground(QStringLiteral(":/images/res/images/kalendar_fon.png"));
    setWindowTitle(m_ui->lbTitle->text());
}

CalendarForm::~CalendarForm() = default;

QDate CalendarForm::selectedDate() const
{
    qDebug() << "CalendarForm selectedDate";
    return m_ui->calendarWidget->selectedDate();
}

QTime CalendarForm::selectedTime() const
{
    qDebug() << "CalendarForm selectedTime";
    return m_ui->timeEdit->time();
}

QString CalendarForm::getReason() const
{
    qDebug() << "CalendarForm getReason";
    return m_ui->reasonTextEdit->toPlainText();
}

void CalendarForm::accept()
{
    qDebug() << "CalendarForm accept";
    if (m_ui->reasonTextEdit->toPlainText().trimmed().isEmpty()) {
        Notifier::raise(QStringLiteral("Введите причину переноса!"), Message);
        return;
    }
    AbstractVelmoraForm::accept();
}
