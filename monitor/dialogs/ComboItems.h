#pragma once

#include "model/Session.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QVariant>

class QComboBox;

/// The dialogs' combo boxes hold ids (or records) in the user role and show
/// each item's text again as its tool tip; the box itself takes the tool tip
/// of its current item.
namespace ComboItems {

/// Appends an item showing \a text, with \a data in the user role.
void add(QComboBox *box, const QString &text, const QVariant &data, const QIcon &icon = QIcon());
/// Appends one item per team, in list order: the name, the id as data.
void addTeams(QComboBox *box, const QList<Team> &teams);
/// The index of the item whose user-role data is exactly \a id; -1 when none.
int indexOfId(const QComboBox *box, const QString &id);
/// Makes the item at \a index current and gives the box its tool tip.
void select(QComboBox *box, int index);

} // namespace ComboItems
