#ifndef LISTPAGE_H
#define LISTPAGE_H

#include <QObject>
#include <QStringList>

class QPushButton;
class QTableWidget;

// A list of frames on a tool-box page, kept in a list file in the working
// directory: rows inserted below the current one, removed, saved and loaded.
// A page says how its rows look in the file and in the table.
class ListPage : public QObject
{
    Q_OBJECT

public:
    // Rows from the list file; the default rows when it is missing or unreadable.
    void load();

signals:
    void statusMessage(const QString &text, int timeout = 0);

protected:
    ListPage(QTableWidget *table, const QString &fileName, int fileFields, int cellColumns,
             QObject *parent);
    void connectButtons(QPushButton *insert, QPushButton *remove, QPushButton *save);

    // Shows a row given in the file's fields.
    virtual void showRow(int row, const QStringList &fields) = 0;
    // The fields of the row a fresh list or an insert at `row` shows.
    virtual QStringList defaultFields(int row) const = 0;
    // A row's cell texts as the file holds them.
    virtual QStringList fileFields(int row, QStringList cells) const { return cells; }

    QTableWidget *table;

private:
    void insertRow();
    void save();

    QString fileName;
    int fileFieldCount;
    int cellColumns;
};

#endif // LISTPAGE_H
