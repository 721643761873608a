#pragma once

#include "dialogs/AbstractVelmoraForm.h"
#include "model/TaskInfo.h"

#include <memory>

namespace Ui {
class TaskDescriptionForm;
}
class ScrollText;
class Velmora;

/// Everything the service tells about one task: title, deadline, the people
/// responsible, the attached files, the description and, for tasks that
/// order texts, a second page with each ordered text's address,
/// requirements, length and key phrases.
///
/// Stands directly left of the team task list, top edges aligned. It shows
/// only descriptions of its own task: every window receives every
/// description the client publishes.
class TaskDescriptionForm : public AbstractVelmoraForm
{
    Q_OBJECT

public:
    TaskDescriptionForm(const QString &taskId, Velmora *client, QWidget *listWindow, QWidget *parent = nullptr);
    ~TaskDescriptionForm() override;

public slots:
    /// Shows \a taskInfo when it describes this window's task.
    void updateTask(const TaskInfo &taskInfo);
    void on_pbHide_clicked();
    void on_pbCopyrightTasks_clicked();
    void on_pbMainInfo_clicked();
    /// Shows the window again when hideAll() hid it.
    void showAll();
    /// Hides the window when it is visible, remembering that it was.
    void hideAll();
    /// Refreshes the shown details of \a id: asks the service when online,
    /// else shows what the session keeps.
    void requestUpdateTask(const QString &id);

private slots:
    void on_cbTexts_currentIndexChanged(int index);

private:
    /// "1.50 KB" for 1536: two decimals and the largest unit up to TB that
    /// leaves at least 1.
    static QString size_human(float size);
    void updateTextTasksCombobox(const TaskInfo &taskInfo);
    void updateTaskText(const TextTask &textTask);

    std::unique_ptr<Ui::TaskDescriptionForm> m_ui;
    bool m_hiddenByHideAll = false;
    Velmora *m_client;
    QString m_taskId;
    QWidget *m_listWindow;
    ScrollText *m_title = nullptr;

    Q_DISABLE_COPY(TaskDescriptionForm)
};
