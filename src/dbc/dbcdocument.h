#ifndef DBCDOCUMENT_H
#define DBCDOCUMENT_H

#include "dbc.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A .dbc file as text that is changed one definition at a time: adding,
// changing or removing a signal touches only its own lines (SG_, CM_, VAL_
// and what else names it), a new message goes after the last one, and
// everything else keeps its bytes, its encoding (UTF-8, with or without a
// byte order mark, or code page 1252) and its line ends. After each change
// the text is read again and must give the database the change meant;
// otherwise the change is refused and the text stays as it was.
class DbcDocument
{
public:
    // A new, empty database (no messages yet).
    DbcDocument();

    // The file's bytes; false, with the reader's reason in `error`, for a file
    // that is refused.
    bool load(const QByteArray &content, QString *error);
    // The bytes to write: the file as read when nothing was changed.
    QByteArray bytes(QString *error = nullptr) const;

    const DbcDatabase &database() const { return read.database; }
    const DbcReadResult &readResult() const { return read; }
    bool isModified() const { return modified; }
    void setSaved() { modified = false; }

    // The changes. Each returns false, with the reason in `error` (English,
    // for the window to show), and changes nothing, when it cannot be made.
    bool addMessage(const DbcMessage &message, QString *error);
    bool addSignal(quint32 identifier, bool extended, const DbcSignal &signal, QString *error);
    bool changeSignal(quint32 identifier, bool extended, const QString &name,
                      const DbcSignal &signal, QString *error);
    bool removeSignal(quint32 identifier, bool extended, const QString &name, QString *error);
    // Back to the text before the last change.
    bool undo();
    int undoCount() const { return int(undoTexts.size()); }

private:
    enum class Encoding { Utf8, Utf8WithMark, CodePage1252 };

    bool parse(const QString &newText, QString *error);
    // Puts `newText` in place if it reads back as `expected`; else error.
    bool commit(const QString &newText, const DbcDatabase &expected, QString *error);
    // The character offset where line `line` begins (the text's length past the last).
    qsizetype lineStart(int line) const;
    struct TextEdit
    {
        qsizetype at;
        qsizetype removed;
        QString inserted;
    };

    // The statement of `keyword` that refers to the message (and the signal).
    const DbcStatement *statementOf(const QString &keyword, const DbcMessage &message,
                                    const QString &signalName) const;
    // Where a statement of `keyword` goes: after the last one, else before the
    // first statement of `before`, else at the end.
    qsizetype placeFor(const QString &keyword, const QStringList &before) const;
    // A line and its line end at `at` (after a line end if the text lacks one there).
    TextEdit insertion(qsizetype at, const QString &line) const;
    TextEdit removal(const DbcStatement &statement) const;
    TextEdit replacement(const DbcStatement &statement, const QString &line) const;
    qint64 writtenId(const DbcMessage &message) const;
    QString applied(std::vector<TextEdit> edits) const;

    QString text;
    Encoding encoding = Encoding::Utf8;
    QString lineEnd = QStringLiteral("\n");
    DbcReadResult read;
    std::vector<QString> undoTexts;
    bool modified = false;
    bool empty = true; // no message yet: the reader would refuse the text
};

// Writes the document to `fileName` whole or not at all (QSaveFile), reads
// the file back and checks it gives the document's database; false, with
// the reason in `error`, otherwise (the old file then stays as it was, if
// the write failed).
bool saveDbcDocument(const DbcDocument &document, const QString &fileName, QString *error);

// A number as a .dbc file writes it: integers without a point, others as
// short as they read back exactly.
QString dbcNumber(double value);
// A message's identifier as written, bit 31 set for an extended one.
qint64 dbcRawId(quint32 identifier, bool extended);
// The statements that define a signal and its comment and value texts, as
// the writer puts them into a file (without line ends).
QString dbcSignalLine(const DbcSignal &signal);
QString dbcSignalCommentLine(qint64 rawId, const DbcSignal &signal, const QString &lineEnd);
QString dbcValueTextsLine(qint64 rawId, const DbcSignal &signal);
QString dbcMessageLine(const DbcMessage &message);

#endif // DBCDOCUMENT_H
