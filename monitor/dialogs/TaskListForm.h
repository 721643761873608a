#pragma once

#include "dialogs/AbstractVelmoraForm.h"
#include "model/Task.h"

#include <map>
#include <memory>

namespace Ui {
class TaskListForm;
}
class TaskDescriptionForm;
class Velmora;

/// The tasks of one of the user's teams, in the session's order, docked
/// directly above the main window at the bottom right of the screen. Each
/// row has a button that opens the task's description window beside the
/// list, or closes it again; at most one description is visible.
///
/// The list is rebuilt only when the shown team changes (the combo box, or
/// the client's teamChanged()), not when a team's tasks are downloaded anew.
/// The main window connects its hideAll() and showAll() to the slots of the
/// same names, which pass them on to the description windows.
class TaskListForm : public AbstractVelmoraForm
{
    Q_OBJECT

public:
    /// \a mainWindow is the strip the list stands on.
    TaskListForm(Velmora *client, QWidget *mainWindow, QWidget *parent = nullptr);
    ~TaskListForm() override;

public slots:
    /// Hides the list and every description window.
    void on_pbHide_clicked();
    /// Shows again what hideAll() hid.
    void showAll();
    /// Hides the list and the description windows that are visible,
    /// remembering which were.
    void hideAll();

private slots:
    void updateTeamCombobox();
    void on_cbTeam_currentIndexChanged(int index);
    void openTaskDescription();
    void onCurrentTeamChanged(const QString &teamId);
    void onLogin();

private:
    void buildList(const QString &teamId);
    /// The row of \a task: its title and deadline, and the button that
    /// opens its description.
    QWidget *createRow(const Task &task);

    Velmora *m_client;
    std::unique_ptr<Ui::TaskListForm> m_ui;
    bool m_hiddenByHideAll = false;
    QWidget *m_mainWindow;
    /// The description windows by task id; created on first use, then reused.
    std::map<QString, std::unique_ptr<TaskDescriptionForm>> m_descriptions;
    QString m_shownTeamId;
    bool m_firstBuild = true;

    Q_DISABLE_COPY(TaskListForm)
};
