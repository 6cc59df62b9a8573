#ifndef DATABYTESDELEGATE_H
#define DATABYTESDELEGATE_H

#include <QStyledItemDelegate>

// Draws a data cell ("01 02 03") with the bytes that changed lately on a
// light background; which ones comes from the model's changed-bytes role.
class DataBytesDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    DataBytesDelegate(int changedBytesRole, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    int changedBytesRole;
};

#endif // DATABYTESDELEGATE_H
