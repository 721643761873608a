#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <memory>

class AutoScrollLineEdit;

namespace Ui {
class NotificationForm;
}

/// One notice: a small frameless popup in the bottom-right corner, stacked
/// above the main window in the slot the notification manager gives it.
///
/// Notices that need no answer fade out by themselves after five seconds on
/// screen; a click fades any notice, and a click on a notice about a task
/// also opens the task's page. An update notice has two buttons instead.
class NotificationForm : public QDialog
{
    Q_OBJECT

public:
    NotificationForm(const QString &text, int type, const QString &taskId, QWidget *mainForm,
                     QWidget *parent = nullptr);
    ~NotificationForm() override;

    int type() const { return m_type; }
    int index() const { return m_index; }
    bool isClosing() const { return m_closing; }
    QString taskId() const { return m_taskId; }
    /// The raw text the notice was raised with (the popup shows it worded
    /// for its type).
    QString text() const { return m_text; }

    /// Whether a notice of \a type fades out by itself.
    static bool closesByItself(int type);

    /// The size of every popup.
    static QSize popupSize() { return QSize(179, 107); }
    /// Where the popup of slot \a index stands in \a area (the free desktop
    /// area of its screen), above \a mainForm while that is visible.
    static QPoint slotPosition(int index, const QWidget *mainForm, const QRect &area);

    /// Moves the popup to slot \a index: slot 0 directly above the main
    /// window (or the bottom of the free desktop area when the main window
    /// is hidden), each further slot one popup higher.
    void place(int index);
    /// Starts the 300 ms fade-out; notificationClosed() follows. Only the
    /// first call counts.
    void closeAnimated();

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void notificationClosed();

public slots:
    void onPbLateClicked();
    void onPbUpdateClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::unique_ptr<Ui::NotificationForm> m_ui;
    int m_type = 0;
    QTimer m_autoCloseTimer;
    QPointer<QWidget> m_mainForm;
    bool m_closing = false;
    QString m_taskId;
    QString m_text;
    int m_index = 0;
    AutoScrollLineEdit *m_leMessage = nullptr;
};
