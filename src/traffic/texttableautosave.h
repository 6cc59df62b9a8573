#ifndef TEXTTABLEAUTOSAVE_H
#define TEXTTABLEAUTOSAVE_H

#include <QObject>
#include <QString>

#include <functional>

#include "autosaverows.h"

class QTimer;

// Auto-save in the program's own text table: the view's rows appended once a
// second to dated files, and at once before rows it owes are overwritten or erased.
class TextTableAutoSave : public QObject
{
    Q_OBJECT

public:
    using HeaderLine = std::function<QString()>;
    using RowLines = std::function<QString(int firstRow, int count)>;

    TextTableAutoSave(HeaderLine header, RowLines lines, QObject *parent = nullptr);

    // Starts a file holding the header and the rows above the cursor.
    bool start(int cursorRow, int rowLimit);
    // Appends what is owed and stops; nothing when it is not on.
    void stop();
    bool isOn() const { return rows.isOn(); }
    QString fileName() const { return currentFile; }

    // The view's row writes and erasures, as they happen.
    void rowAboutToBeOverwritten(int cursorRow);
    void rowWritten() { rows.rowWritten(); }
    void viewAboutToClear();
    void viewRefilled(int cursorRow) { rows.cursorMoved(cursorRow); }
    void setRowLimit(int rowLimit) { rows.setRowLimit(rowLimit); }

    void appendPendingRows();

signals:
    void statusMessage(const QString &text);

private:
    bool startFile();

    HeaderLine headerLine;
    RowLines rowLines;
    AutoSaveRows rows;
    QString currentFile;
    QTimer *timer;
};

#endif // TEXTTABLEAUTOSAVE_H
