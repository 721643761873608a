#include "dialogs/DeadlineComboBox.h"

#include <QAbstractItemView>
#include <QScreen>
#include <QStyleOptionComboBox>
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
    // The widest row as the list draws it, with room for the frame and a
    // scroll bar; never narrower than the box.
    QAbstractItemView *list = view();
    int widest = qMax(width(), list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                                   style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list));
    if (const QScreen *shown = screen())
        widest = qMin(widest, shown->availableGeometry().width());
    list->setMinimumWidth(widest);
    QComboBox::showPopup();
}
