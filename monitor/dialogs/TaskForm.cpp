#include "dialogs/TaskForm.h"

#include "client/Velmora.h"
#include "dialogs/ComboItems.h"
#include "model/Session.h"
#include "ui_TaskForm.h"

#include <QComboBox>
#include <QPushButton>
#include <QScreen>

TaskForm::TaskForm(Velmora *velmora, QWidget *parent)
    : AbstractVelmoraForm(parent)
    , m_ui(std::make_unique<Ui::TaskForm>())
    , m_velmora(velmora)
{
    // The base named the window already, so the form would keep that name.
    setObjectName(QStringLiteral("TaskForm"));
    m_ui->setupUi(this);
    connect(m_ui->pbOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->pbCancel, &QPushButton::clicked, this, &QWidget::hide);
    // The application style sheet's accent button.
    m_ui->pbOk->setObjectName(QStringLiteral("pbVelmora"));
    m_ui->pbCancel->setObjectName(QStringLiteral("pbVelmora"));
    setWindowModality(Qt::WindowModal);
    const QRect area = screen()->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));

    Velmora::Session *session = m_velmora->session();
    connect(m_velmora, &Velmora::error, this, &TaskForm::error);
    // Every download of teams and tasks (each minute while recording)
    // reports each team; a hidden dialog need not refill its lists, since
    // showing it always goes through reload().
    connect(session, &Session::teamsUpdated, this, [this] {
        if (isVisible())
            refreshed();
    });
    connect(session, &Session::tasksUpdated, this, [this] {
        if (isVisible())
            refreshed();
    });
    connect(session, &Session::taskClosed, this, &TaskForm::closeTask);
    reload();
    m_ui->cbTeam->setFocus();
}

TaskForm::~TaskForm() = default;

void TaskForm::reload()
{
    Velmora::Session *session = m_velmora->session();
    m_teamId = session->teamID();
    m_taskId = session->taskID();
    if (!session->isOnline()) {
        refreshed();
        return;
    }
    m_ui->lbLoading->setText(QStringLiteral("Загрузка..."));
    m_ui->cbTask->setEnabled(false);
    m_ui->cbTeam->setEnabled(false);
    m_velmora->requestTeamsAndTasks();
}

QString TaskForm::currentTeamId() const
{
    return m_ui->cbTeam->currentData().toString();
}

QString TaskForm::currentTaskId() const
{
    return m_ui->cbTask->currentData().toString();
}

void TaskForm::refreshed()
{
    const QSignalBlocker blocker(m_ui->cbTeam);
    m_ui->lbLoading->clear();
    m_ui->cbTeam->clear();
    ComboItems::addTeams(m_ui->cbTeam, m_velmora->session()->teams());
    m_ui->cbTask->setEnabled(true);
    m_ui->cbTeam->setEnabled(true);

    int index = ComboItems::indexOfId(m_ui->cbTeam, m_teamId);
    if (index >= 0)
        ComboItems::select(m_ui->cbTeam, index);
    else
        index = 0;
    m_ui->cbTeam->setFocus();
    on_cbTeam_currentIndexChanged(index);
}

void TaskForm::on_cbTeam_currentIndexChanged(int index)
{
    const QSignalBlocker blocker(m_ui->cbTask);
    m_ui->cbTask->clear();
    const QString id = m_ui->cbTeam->itemData(index).toString();
    m_teamId = id;

    QList<Task> tasks = m_velmora->session()->tasks(id);
    // A team with blocking tasks offers nothing but them.
    QList<Task> blocking;
    std::copy_if(tasks.cbegin(), tasks.cend(), std::back_inserter(blocking), isBlocking);
    if (!blocking.isEmpty())
        tasks = blocking;

    for (const Task &task : qAsConst(tasks)) {
        QString text = task.title;
        if (task.deadline.isValid())
            text += QStringLiteral(" | Истекает: ") + deadlineText(task.deadline);
        ComboItems::add(m_ui->cbTask, text, task.id, QIcon(taskIcon(task)));
    }

    const int found = ComboItems::indexOfId(m_ui->cbTask, m_taskId);
    if (found >= 0)
        ComboItems::select(m_ui->cbTask, found);
}

void TaskForm::on_cbTask_currentIndexChanged(int index)
{
    m_taskId = m_ui->cbTask->itemData(index).toString();
}

void TaskForm::error(int)
{
    refreshed();
    m_ui->lbLoading->setText(QStringLiteral("Нет соединения"));
}

void TaskForm::closeTask(const QString &)
{
    refreshed();
}
