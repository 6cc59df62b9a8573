#include "databytesdelegate.h"

#include <QApplication>
#include <QPainter>

DataBytesDelegate::DataBytesDelegate(int changedBytesRole, QObject *parent)
    : QStyledItemDelegate(parent), changedBytesRole(changedBytesRole)
{
}

void DataBytesDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    QWidget *widget = const_cast<QWidget *>(option.widget);
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const quint64 changed = index.data(changedBytesRole).toULongLong();
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget);
    const QFontMetrics metrics(cell.font);
    const int byteWidth = metrics.horizontalAdvance(QStringLiteral("00"));
    const int gap = metrics.horizontalAdvance(QLatin1Char(' '));
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setFont(cell.font);
    int x = area.left() + 2;
    const QStringList bytes = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < bytes.size(); ++i) {
        const QRect box(x - 1, area.top() + 1, byteWidth + 2, area.height() - 2);
        if (i < 64 && (changed & (quint64(1) << i))) {
            painter->fillRect(box, QColor(255, 236, 150));
            painter->setPen(Qt::black);
        } else {
            painter->setPen(
                    cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        }
        painter->drawText(box, Qt::AlignCenter, bytes.at(i));
        x += byteWidth + gap;
    }
    painter->restore();
}
