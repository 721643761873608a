#pragma once

// Finds the texts a window cuts: every visible label, push button,
// read-only line edit and combo box must fit its text into its contents
// (font metrics against the rectangle the style gives the text).

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextDocument>
#include <QtMath>

#include <functional>
#include <optional>

namespace ClippedTexts {

/// Why \a text (needing \a need) does not fit \a room; empty when it does.
inline QString misfit(const QWidget *widget, const QString &text, const QSize &need, const QRect &room)
{
    if (need.width() <= room.width() && need.height() <= room.height())
        return QString();
    return QStringLiteral("%1 \"%2\": needs %3 x %4, has %5 x %6")
        .arg(widget->objectName(), text)
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
}

inline QString labelMisfit(const QLabel *label)
{
    const QString text = label->text();
    if (text.isEmpty() || label->pixmap(Qt::ReturnByValue).width() > 0)
        return QString();
    const int margin = label->margin();
    const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    const bool rich =
        label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    QSize need;
    if (rich) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setDocumentMargin(0);
        document.setHtml(text);
        if (label->wordWrap())
            document.setTextWidth(room.width());
        need = QSize(qCeil(label->wordWrap() ? document.size().width() : document.idealWidth()),
                     qCeil(document.size().height()));
    } else {
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        need = label->fontMetrics().boundingRect(room, flags, text).size();
    }
    return misfit(label, text, need, room);
}

inline QString buttonMisfit(const QPushButton *button)
{
    if (button->text().isEmpty())
        return QString();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const int iconWidth = option.icon.isNull() ? 0 : option.iconSize.width() + 4;
    const QSize need(button->fontMetrics().horizontalAdvance(option.text) + iconWidth, button->fontMetrics().height());
    return misfit(button, option.text, need, room);
}

/// Where a closed combo box draws its current text (after its icon).
inline QRect comboBoxField(const QComboBox *box)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.currentText = box->currentText();
    option.currentIcon = box->itemIcon(box->currentIndex());
    option.iconSize = box->iconSize();
    const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    return option.currentIcon.isNull() ? field : field.adjusted(option.iconSize.width() + 4, 0, 0, 0);
}

inline QString comboBoxMisfit(const QComboBox *box)
{
    const QString text = box->currentText();
    if (text.isEmpty())
        return QString();
    const QSize need(box->fontMetrics().horizontalAdvance(text), box->fontMetrics().height());
    return misfit(box, text, need, comboBoxField(box));
}

inline QString lineEditMisfit(const QLineEdit *edit)
{
    // What the user types scrolls on purpose; fixed texts must fit.
    if (!edit->isReadOnly())
        return QString();
    const QSize need(edit->fontMetrics().horizontalAdvance(edit->text()), edit->fontMetrics().height());
    return misfit(edit, edit->text(), need, edit->contentsRect().adjusted(2, 0, -2, 0));
}

/// Judges one widget that scrolls or shortens its text on purpose (a
/// problem, or empty when it does so as it should); std::nullopt for a
/// widget it does not know, which is then judged as above.
using Special = std::function<std::optional<QString>(QWidget *widget)>;

/// Every text that a visible widget of \a window cuts, one line each.
inline QStringList of(QWidget *window, const Special &special = {})
{
    // A text set a moment ago has not moved the layouts yet.
    const QList<QLayout *> layouts = window->findChildren<QLayout *>();
    for (QLayout *layout : layouts)
        layout->activate();
    QStringList clipped;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(window))
            continue;
        std::optional<QString> problem = special ? special(widget) : std::nullopt;
        if (!problem) {
            if (auto *label = qobject_cast<QLabel *>(widget))
                problem = labelMisfit(label);
            else if (auto *button = qobject_cast<QPushButton *>(widget))
                problem = buttonMisfit(button);
            else if (auto *edit = qobject_cast<QLineEdit *>(widget))
                problem = lineEditMisfit(edit);
            else if (auto *box = qobject_cast<QComboBox *>(widget))
                problem = comboBoxMisfit(box);
        }
        if (problem && !problem->isEmpty())
            clipped << *problem;
    }
    return clipped;
}

} // namespace ClippedTexts
