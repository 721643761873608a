#pragma once

#include "dialogs/AbstractVelmoraForm.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <memory>

namespace Ui {
class CalendarForm;
}

/// The request for a later deadline of the chosen task: a calendar for the
/// new date, a time and the reason. It sends nothing itself: whoever runs it
/// reads the getters once it is accepted. A blank reason is refused with a
/// notice, and the dialog stays open.
class CalendarForm : public AbstractVelmoraForm
{
    Q_OBJECT

public:
    explicit CalendarForm(QWidget *parent = nullptr);
    ~CalendarForm() override;

    /// The chosen date; today when the user chose none.
    QDate selectedDate() const;
    /// The chosen time; 23:59 when the user chose none.
    QTime selectedTime() const;
    /// The reason as typed, blanks and line breaks included.
    QString getReason() const;

public slots:
    void accept() override;

private:
    std::unique_ptr<Ui::CalendarForm> m_ui;

    Q_DISABLE_COPY(CalendarForm)
};
