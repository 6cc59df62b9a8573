#ifndef DBCEDITOR_H
#define DBCEDITOR_H

#include "bitfield.h"
#include "dbcdocument.h"
#include "patternfinder.h"

#include <QObject>

class QWidget;

// The database the signals window shows, as a file that is changed and
// saved: signals made from marked bits or from found counters and
// checksums, edited and removed, messages added for identifiers the file
// lacks, the last changes undone. Without a file the first change starts a
// new database, saved under a name the user chooses.
class DbcEditor : public QObject
{
    Q_OBJECT

public:
    explicit DbcEditor(QWidget *dialogParent);

    // A file read from disk; false, with the reason, for one that is refused.
    // Neither emits edited(): the caller starts afresh.
    bool load(const QByteArray &content, const QString &fileName, QString *error);
    void unload();
    const DbcDocument &document() const { return doc; }
    const DbcDatabase &database() const { return doc.database(); }
    QString fileName() const { return file; }

    // Asks for the signal in `field` of the message `key` (a new message when
    // the database lacks it, `frameLength` bytes long) and adds it.
    bool makeSignal(quint64 key, const BitField &field, int frameLength);
    bool editSignal(quint64 key, const QString &name);
    bool removeSignal(quint64 key, const QString &name);
    // A signal for each counter and checksum found, named after what it is.
    bool makePatternSignals(quint64 key, const std::vector<CounterFinding> &counters,
                            const std::vector<ChecksumFinding> &checksums, int frameLength);
    // The changes without a dialog: what the dialogs end in.
    bool addSignal(quint64 key, const DbcSignal &signal, const QString &messageName,
                   const QString &sender, int frameLength);
    bool changeSignal(quint64 key, const QString &name, const DbcSignal &signal);
    bool undo();
    bool save();
    // Before the database is replaced, unloaded or the program ends: true
    // when the caller may go on (nothing changed, the changes saved, or the
    // user chose to drop them); false to go back to them.
    bool settleUnsavedChanges();
    bool saveAs(const QString &fileName = QString());

signals:
    // The database changed (a signal added, changed, removed, undone) or was saved.
    void edited();
    void status(const QString &text, bool error);

private:
    const DbcMessage *messageOf(quint64 key) const;
    bool done(bool ok, const QString &error, const QString &success);

    QWidget *dialogParent;
    DbcDocument doc;
    QString file;
};

#endif // DBCEDITOR_H
