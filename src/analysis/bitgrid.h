#ifndef BITGRID_H
#define BITGRID_H

#include "bitactivity.h"

#include <QColor>
#include <QWidget>

#include <vector>

struct DbcMessage;

// One message's payload as bits: a row a byte, bit 7 on the left. Each cell
// is coloured by how often the bit flipped in the span (or, comparing two
// spans, by how it differs between them) and shows the bit's last value.
// Bits of the database's signals are outlined in the signal's colour;
// dragging over bits marks a field.
class BitGrid : public QWidget
{
    Q_OBJECT

public:
    explicit BitGrid(QWidget *parent = nullptr);

    // `contrast` empty: the flips of `bits` are shown.
    void setBits(const MessageBits *bits, const DbcMessage *message,
                 std::vector<BitContrast> contrast, bool hideExplained);

    int bitAt(const QPoint &position) const; // -1 off the cells
    QRect cellRect(int bit) const;
    QColor cellColour(int bit) const;
    QString cellToolTip(int bit) const;
    // The signal whose bits include `bit`, empty if none.
    QString signalAt(int bit) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static QColor heatColour(double level);
    static QColor contrastColour(BitContrast contrast);

signals:
    // A drag from the bit first pressed to the bit released.
    void fieldMarked(const BitField &field);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Outline
    {
        QString name;
        QColor colour;
        BitMask mask;
    };

    int cellSize() const;
    int labelWidth() const;
    bool isMarked(int bit) const;

    int length = 0;
    std::array<quint32, MessageBits::BitCount> flips{};
    std::array<quint8, CanFrame::FdMaxLength> values{};
    quint32 maxFlips = 0;
    std::vector<BitContrast> contrast;
    std::vector<Outline> outlines;
    bool hideExplained = false;
    int dragFrom = -1;
    int dragTo = -1;
};

#endif // BITGRID_H
