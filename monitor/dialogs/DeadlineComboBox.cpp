#include "dialogs/DeadlineComboBox.h"

#include <QAbstractItemView>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStyleOptionMenuItem>
#include <QStylePainter>

DeadlineComboBox::DeadlineComboBox(QWidget *parent)
    : QComboBox(parent)
{}

QString DeadlineComboBox::shownText(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const int split = text.lastIndexOf(QLatin1String(" | "));
    if (split <= 0)
        return metrics.elidedText(text, Qt::ElideRight, width);
    const QString tail = text.mid(split);
    const int titleWidth = width - metrics.horizontalAdvance(tail);
    if (titleWidth < metrics.horizontalAdvance(QStringLiteral("W…")))
        return metrics.elidedText(text, Qt::ElideRight, width);
    return metrics.elidedText(text.left(split), Qt::ElideRight, titleWidth) + tail;
}

void DeadlineComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect textArea = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int iconSpace = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
    option.currentText = shownText(option.currentText, fontMetrics(), textArea.width() - iconSpace);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DeadlineComboBox::showPopup()
{
    // The list draws its rows as menu entries; the style says how wide an
    // entry of each row's text is. Room besides for the icon's column, the
    // frame and a scroll bar; never narrower than the box, never wider than
    // the screen.
    QAbstractItemView *list = view();
    const QFontMetrics metrics(list->font());
    int widest = width();
    for (int row = 0; row < count(); ++row) {
        QStyleOptionMenuItem entry;
        entry.initFrom(list);
        entry.menuItemType = QStyleOptionMenuItem::Normal;
        entry.text = itemText(row);
        entry.icon = itemIcon(row);
        entry.maxIconWidth = iconSize().width() + 4;
        entry.font = list->font();
        const QSize text(metrics.horizontalAdvance(entry.text), metrics.height());
        const QSize size = style()->sizeFromContents(QStyle::CT_MenuItem, &entry, text, list);
        widest = qMax(widest, size.width() + iconSize().width() + 2 * list->frameWidth() +
                                  style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
    }
    if (const QScreen *shown = screen())
        widest = qMin(widest, shown->availableGeometry().width());
    list->setMinimumWidth(widest);
    QComboBox::showPopup();
}
