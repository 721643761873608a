#include "model/NotificationType.h"

QString messageText(const QString &text, int type)
{
    const QString quoted = QLatin1Char('"') + text + QLatin1Char('"');
    switch (type) {
    case TeamAdded:
        return QStringLiteral("Добавлена новая команда ") + quoted;
    case TeamRemoved:
        return QStringLiteral("Вы больше не являетесь членом команды ") + quoted;
    case TaskAdded:
        return QStringLiteral("Добавлена новая задача ") + quoted;
    case TaskRemoved:
        return QStringLiteral("Задача ") + quoted + QStringLiteral(" более недоступна");
    case CommentAdded:
        return QStringLiteral("К задаче ") + quoted + QStringLiteral(" добавлен новый комментарий");
    case UpdateAvailable:
        return QStringLiteral("Доступно новое обновление Velmora Team ") + text;
    case DeadlineChanged:
        return QStringLiteral("Дедлайн задачи ") + quoted + QStringLiteral(" был изменён");
    case TaskBlocked:
        return QStringLiteral("Задача ") + quoted + QStringLiteral(" помечена как блокирующая");
    case TaskUnblocked:
        return QStringLiteral("Задача ") + quoted + QStringLiteral(" более не является блокирующей");
    case BlockingTaskAdded:
        return QStringLiteral("Добавлена новая блокируюшая задача ") + quoted;
    default:
        return text;
    }
}
