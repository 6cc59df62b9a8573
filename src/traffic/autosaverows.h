#ifndef AUTOSAVEROWS_H
#define AUTOSAVEROWS_H

#include <algorithm>

// What the text-table auto-save still owes its file: every row written to the
// view while it is on, in the order written. The view is a ring of `rowLimit`
// rows; a pass over it ends one file and the next rows open a new one.
class AutoSaveRows
{
public:
    // A run of rows to append: `count` rows from `firstRow`.
    struct Span
    {
        int firstRow = 0;
        int count = 0;
    };

    void start(int cursorRow, int rowLimit)
    {
        on = true;
        limit = rowLimit;
        savedRow = cursorRow; // the rows above it are in the file already
        pending = 0;
        newFile = false;
    }
    void stop() { on = false; }
    bool isOn() const { return on; }
    int pendingRows() const { return pending; }

    void rowWritten()
    {
        if (on)
            ++pending;
    }
    // A whole table of rows is pending: the row at the cursor is one of them.
    bool wholeTablePending() const { return pending >= limit; }
    // Rows that could not be appended are given up, so a broken disk costs one
    // attempt per pass over the table, not one per row.
    void giveUp(int cursorRow)
    {
        pending = 0;
        savedRow = cursorRow;
    }

    // The view was erased (after the pending rows were appended): rows come
    // again from the top, in a new file unless the file ends at the top anyway.
    void viewCleared()
    {
        if (!on)
            return;
        pending = 0;
        if (savedRow != 0)
            newFile = true;
        savedRow = 0;
    }
    // The view was refilled up to `cursorRow` (a log opened): those rows are not owed.
    void cursorMoved(int cursorRow)
    {
        if (on)
            savedRow = cursorRow;
    }
    void setRowLimit(int rowLimit) { limit = rowLimit; }

    bool newFileDue() const { return newFile; }
    void newFileStarted() { newFile = false; }

    // The rows to append next, up to the end of the table; a count of 0 when none.
    Span nextSpan() const { return { savedRow, std::min(pending, limit - savedRow) }; }
    void appended(const Span &span)
    {
        pending -= span.count;
        savedRow += span.count;
        if (savedRow >= limit) { // the pass is over: the next rows open a new file
            savedRow = 0;
            newFile = true;
        }
    }

private:
    bool on = false;
    int limit = 1000;
    int savedRow = 0; // the first row not yet in the file
    int pending = 0;
    bool newFile = false;
};

#endif // AUTOSAVEROWS_H
