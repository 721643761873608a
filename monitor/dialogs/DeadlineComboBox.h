#pragma once

#include <QComboBox>

/// The task box of the task choice. A row reads "title | Истекает: deadline";
/// in the closed box a long title is shortened with "…" so that the deadline
/// stays whole, and the open list is as wide as its widest row (within the
/// screen), so that every row is shown whole there.
class DeadlineComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DeadlineComboBox(QWidget *parent = nullptr);

    /// The text the closed box shows for \a text within \a width pixels of
    /// \a metrics: whole when it fits, else the title shortened in front of
    /// the last " | " part.
    static QString shownText(const QString &text, const QFontMetrics &metrics, int width);

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
