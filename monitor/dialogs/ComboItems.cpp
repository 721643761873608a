#include "dialogs/ComboItems.h"

#include <QComboBox>

namespace ComboItems {

void add(QComboBox *box, const QString &text, const QVariant &data, const QIcon &icon)
{
    box->addItem(icon, text, data);
    box->setItemData(box->count() - 1, text, Qt::ToolTipRole);
}

void addTeams(QComboBox *box, const QList<Team> &teams)
{
    for (const Team &team : teams)
        add(box, team.second, team.first);
}

int indexOfId(const QComboBox *box, const QString &id)
{
    return box->findData(id, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void select(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    box->setToolTip(box->itemData(index, Qt::ToolTipRole).toString());
}

} // namespace ComboItems
