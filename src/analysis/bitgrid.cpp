#include "bitgrid.h"

#include "dbc.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {
// Signal outlines in turn; the plot's palette is for lines, these for thin frames.
const QColor OutlineColours[] = { QColor(31, 119, 180), QColor(44, 160, 44), QColor(148, 103, 189),
                                  QColor(214, 39, 40),  QColor(140, 86, 75), QColor(227, 119, 194),
                                  QColor(23, 190, 207), QColor(188, 189, 34) };
} // namespace

BitGrid::BitGrid(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
}

void BitGrid::setBits(const MessageBits *bits, const DbcMessage *message,
                      std::vector<BitContrast> newContrast, bool hide)
{
    length = bits ? bits->length : 0;
    if (bits) {
        flips = bits->flips;
        values = bits->last;
        maxFlips = bits->maxFlips();
    }
    contrast = std::move(newContrast);
    hideExplained = hide;
    outlines.clear();
    if (message) {
        for (const DbcSignal &signal : message->signalList) {
            Outline outline;
            outline.name = signal.name;
            outline.colour = OutlineColours[outlines.size() % std::size(OutlineColours)];
            const BitField field{ quint16(signal.startBit), quint16(signal.length),
                                  signal.littleEndian, false };
            if (fieldMask(field, CanFrame::FdMaxLength, &outline.mask))
                outlines.push_back(outline);
        }
    }
    resize(sizeHint()); // it sits in a scroll area that does not resize it
    update();
}

int BitGrid::cellSize() const
{
    return fontMetrics().height() + 8;
}

int BitGrid::labelWidth() const
{
    return fontMetrics().horizontalAdvance(tr("字节 %1").arg(63)) + 10;
}

QSize BitGrid::sizeHint() const
{
    return QSize(labelWidth() + 8 * cellSize() + 2, (std::max(length, 1) + 1) * cellSize() + 2);
}

QRect BitGrid::cellRect(int bit) const
{
    const int size = cellSize();
    const int column = 7 - bit % 8;
    return QRect(labelWidth() + column * size, (bit / 8 + 1) * size, size, size);
}

int BitGrid::bitAt(const QPoint &position) const
{
    const int size = cellSize();
    const int column = (position.x() - labelWidth()) / size;
    const int row = position.y() / size - 1;
    if (position.x() < labelWidth() || column > 7 || row < 0 || row >= length)
        return -1;
    return row * 8 + 7 - column;
}

QString BitGrid::signalAt(int bit) const
{
    QStringList names;
    for (const Outline &outline : outlines) {
        if ((outline.mask[size_t(bit / 64)] >> (bit % 64)) & 1)
            names << outline.name;
    }
    return names.join(QLatin1String(", "));
}

QColor BitGrid::heatColour(double level)
{
    if (level <= 0.0)
        return QColor(250, 250, 250);
    // From pale yellow for a single flip to deep red for the busiest bit.
    const double t = std::clamp(level, 0.0, 1.0);
    return QColor::fromRgbF(1.0, 0.92 - 0.77 * t, 0.55 - 0.5 * t);
}

QColor BitGrid::contrastColour(BitContrast contrast)
{
    switch (contrast) {
    case BitContrast::ChangesOnlyInB:
        return QColor(60, 200, 80);
    case BitContrast::ChangesOnlyInA:
        return QColor(110, 160, 240);
    case BitContrast::OtherValue:
        return QColor(255, 170, 40);
    case BitContrast::Same:
        break;
    }
    return QColor(245, 245, 245);
}

QColor BitGrid::cellColour(int bit) const
{
    if (hideExplained && !signalAt(bit).isEmpty())
        return QColor(200, 200, 200);
    if (!contrast.empty())
        return contrastColour(size_t(bit) < contrast.size() ? contrast[size_t(bit)] : BitContrast::Same);
    return heatColour(heatLevel(flips[size_t(bit)], maxFlips));
}

QString BitGrid::cellToolTip(int bit) const
{
    QString text = tr("位 %1 (字节 %2 的位 %3): 值 %4, 翻转 %5 次")
                           .arg(bit)
                           .arg(bit / 8)
                           .arg(bit % 8)
                           .arg((values[size_t(bit / 8)] >> (bit % 8)) & 1)
                           .arg(flips[size_t(bit)]);
    if (!contrast.empty() && size_t(bit) < contrast.size()) {
        switch (contrast[size_t(bit)]) {
        case BitContrast::ChangesOnlyInB:
            text += tr("; 在 A 中不变, 在 B 中变化");
            break;
        case BitContrast::ChangesOnlyInA:
            text += tr("; 在 A 中变化, 在 B 中不变");
            break;
        case BitContrast::OtherValue:
            text += tr("; 在 A 和 B 中都不变, 但值不同");
            break;
        case BitContrast::Same:
            break;
        }
    }
    const QString names = signalAt(bit);
    if (!names.isEmpty())
        text += tr("; 信号 %1").arg(names);
    return text;
}

bool BitGrid::isMarked(int bit) const
{
    if (dragFrom < 0 || dragTo < 0)
        return false;
    BitMask mask;
    return fieldMask(fieldBetween(dragFrom, dragTo), length, &mask)
            && ((mask[size_t(bit / 64)] >> (bit % 64)) & 1);
}

void BitGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int size = cellSize();
    painter.setPen(palette().color(QPalette::WindowText));
    for (int column = 0; column < 8; ++column)
        painter.drawText(QRect(labelWidth() + column * size, 0, size, size), Qt::AlignCenter,
                         QString::number(7 - column));
    for (int row = 0; row < length; ++row)
        painter.drawText(QRect(0, (row + 1) * size, labelWidth() - 6, size),
                         Qt::AlignRight | Qt::AlignVCenter, tr("字节 %1").arg(row));
    for (int bit = 0; bit < length * 8; ++bit) {
        const QRect cell = cellRect(bit).adjusted(1, 1, -1, -1);
        painter.fillRect(cell, isMarked(bit) ? palette().color(QPalette::Highlight) : cellColour(bit));
        painter.setPen(isMarked(bit) ? palette().color(QPalette::HighlightedText) : QColor(Qt::black));
        painter.drawText(cell, Qt::AlignCenter,
                         QString::number((values[size_t(bit / 8)] >> (bit % 8)) & 1));
    }
    // Each signal's bits framed in its colour; overlapping signals frame inside one another.
    for (size_t i = 0; i < outlines.size(); ++i) {
        const Outline &outline = outlines[i];
        QPen pen(outline.colour, 2);
        painter.setPen(pen);
        const int inset = 1 + 2 * int(i % 3);
        for (int bit = 0; bit < length * 8; ++bit) {
            if (!((outline.mask[size_t(bit / 64)] >> (bit % 64)) & 1))
                continue;
            const auto inside = [&](int other) {
                return other >= 0 && other < length * 8
                        && ((outline.mask[size_t(other / 64)] >> (other % 64)) & 1);
            };
            const QRect cell = cellRect(bit).adjusted(inset, inset, -inset, -inset);
            if (bit % 8 == 7 || !inside(bit + 1))
                painter.drawLine(cell.topLeft(), cell.bottomLeft());
            if (bit % 8 == 0 || !inside(bit - 1))
                painter.drawLine(cell.topRight(), cell.bottomRight());
            if (!inside(bit - 8))
                painter.drawLine(cell.topLeft(), cell.topRight());
            if (!inside(bit + 8))
                painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        }
    }
}

void BitGrid::mousePressEvent(QMouseEvent *event)
{
    dragFrom = dragTo = bitAt(event->position().toPoint());
    update();
}

void BitGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (dragFrom < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const int bit = bitAt(event->position().toPoint());
    if (bit >= 0 && bit != dragTo) {
        dragTo = bit;
        update();
    }
}

void BitGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const int bit = bitAt(event->position().toPoint());
    if (bit >= 0)
        dragTo = bit;
    const int from = dragFrom, to = dragTo;
    dragFrom = dragTo = -1;
    update();
    if (from >= 0 && to >= 0)
        emit fieldMarked(fieldBetween(from, to));
}

bool BitGrid::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int bit = bitAt(help->pos());
        if (bit >= 0)
            QToolTip::showText(help->globalPos(), cellToolTip(bit), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
