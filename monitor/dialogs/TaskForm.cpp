#include "dialogs/TaskForm.h"

#include "client/Velmora.h"
#include "dialogs/ComboItems.h"
#include "model/Session.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QVBoxLayout>

TaskForm::TaskForm(Velmora *velmora, QWidget *parent)
    : AbstractVelmoraForm(parent)
    , m_velmora(velmora)
{
    setupUi();
    // The application style sheet's accent button.
    m_pbOk->setObjectName(QStringLiteral("pbVelmora"));
    m_pbCancel->setObjectName(QStringLiteral("pbVelmora"));
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
    m_cbTeam->setFocus();
}

void TaskForm::setupUi()
{
    setObjectName(QStringLiteral("TaskForm"));
    resize(385, 144);
    setWindowTitle(QStringLiteral("Задачи"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/trayActive.png")));

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    auto *formLayout = new QFormLayout;
    formLayout->setObjectName(QStringLiteral("formLayout"));
    const auto comboBox = [this](const char *name) {
        auto *box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->setMinimumWidth(300);
        box->setMaximumWidth(300);
        return box;
    };
    const auto label = [this](const char *name, const QString &text) {
        auto *lb = new QLabel(text, this);
        lb->setObjectName(QLatin1String(name));
        return lb;
    };
    m_cbTeam = comboBox("cbTeam");
    m_cbTask = comboBox("cbTask");
    formLayout->addRow(label("lbTeam", QStringLiteral("Команда")), m_cbTeam);
    formLayout->addRow(label("lbTask", QStringLiteral("Задача")), m_cbTask);
    m_lbLoading = label("lbLoading", QString());
    formLayout->addRow(m_lbLoading);
    verticalLayout->addLayout(formLayout);

    auto *horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_pbOk = new QPushButton(QStringLiteral("Ок"), this);
    m_pbOk->setObjectName(QStringLiteral("pbOk"));
    m_pbOk->setFocusPolicy(Qt::StrongFocus);
    horizontalLayout->addWidget(m_pbOk);
    m_pbCancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_pbCancel->setObjectName(QStringLiteral("pbCancel"));
    m_pbCancel->setFocusPolicy(Qt::StrongFocus);
    horizontalLayout->addWidget(m_pbCancel);
    verticalLayout->addLayout(horizontalLayout);

    connect(m_pbOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pbCancel, &QPushButton::clicked, this, &QWidget::hide);
    QMetaObject::connectSlotsByName(this);
}

void TaskForm::reload()
{
    Velmora::Session *session = m_velmora->session();
    m_teamId = session->teamID();
    m_taskId = session->taskID();
    if (!session->isOnline()) {
        refreshed();
        return;
    }
    m_lbLoading->setText(QStringLiteral("Загрузка..."));
    m_cbTask->setEnabled(false);
    m_cbTeam->setEnabled(false);
    m_velmora->requestTeamsAndTasks();
}

QString TaskForm::currentTeamId() const
{
    return m_cbTeam->currentData().toString();
}

QString TaskForm::currentTaskId() const
{
    return m_cbTask->currentData().toString();
}

void TaskForm::refreshed()
{
    const QSignalBlocker blocker(m_cbTeam);
    m_lbLoading->clear();
    m_cbTeam->clear();
    ComboItems::addTeams(m_cbTeam, m_velmora->session()->teams());
    m_cbTask->setEnabled(true);
    m_cbTeam->setEnabled(true);

    int index = ComboItems::indexOfId(m_cbTeam, m_teamId);
    if (index >= 0)
        ComboItems::select(m_cbTeam, index);
    else
        index = 0;
    m_cbTeam->setFocus();
    on_cbTeam_currentIndexChanged(index);
}

void TaskForm::on_cbTeam_currentIndexChanged(int index)
{
    const QSignalBlocker blocker(m_cbTask);
    m_cbTask->clear();
    const QString id = m_cbTeam->itemData(index).toString();
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
        ComboItems::add(m_cbTask, text, task.id, QIcon(taskIcon(task)));
    }

    const int found = ComboItems::indexOfId(m_cbTask, m_taskId);
    if (found >= 0)
        ComboItems::select(m_cbTask, found);
}

void TaskForm::on_cbTask_currentIndexChanged(int index)
{
    m_taskId = m_cbTask->itemData(index).toString();
}

void TaskForm::error(int)
{
    refreshed();
    m_lbLoading->setText(QStringLiteral("Нет соединения"));
}

void TaskForm::closeTask(const QString &)
{
    refreshed();
}
