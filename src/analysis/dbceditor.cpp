#include "dbceditor.h"

#include "signaldialog.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <algorithm>

DbcEditor::DbcEditor(QWidget *dialogParent) : QObject(dialogParent), dialogParent(dialogParent) { }

bool DbcEditor::load(const QByteArray &content, const QString &fileName, QString *error)
{
    DbcDocument loaded;
    if (!loaded.load(content, error))
        return false;
    doc = std::move(loaded);
    file = fileName;
    return true;
}

void DbcEditor::unload()
{
    doc = DbcDocument();
    file.clear();
}

const DbcMessage *DbcEditor::messageOf(quint64 key) const
{
    for (const DbcMessage &message : database().messages) {
        if (message.identifier == quint32(key) && message.extended == bool(key >> 32))
            return &message;
    }
    return nullptr;
}

bool DbcEditor::done(bool ok, const QString &error, const QString &success)
{
    if (!ok) {
        emit status(tr("未能更改数据库: %1").arg(error), true);
        return false;
    }
    emit edited();
    emit status(success, false);
    return true;
}

bool DbcEditor::addSignal(quint64 key, const DbcSignal &signal, const QString &messageName,
                          const QString &sender, int frameLength)
{
    QString error;
    bool added = true;
    const bool newMessage = !messageOf(key);
    if (newMessage) {
        DbcMessage message;
        message.identifier = quint32(key);
        message.extended = key >> 32;
        message.name = messageName;
        message.sender = sender;
        message.length = frameLength;
        added = doc.addMessage(message, &error);
    }
    if (added && !doc.addSignal(quint32(key), key >> 32, signal, &error)) {
        if (newMessage)
            doc.undo(); // the message came with the signal, and goes with it
        added = false;
    }
    return done(added, error, tr("已添加信号 %1 (未保存)").arg(signal.name));
}

bool DbcEditor::makeSignal(quint64 key, const BitField &field, int frameLength)
{
    DbcSignal proposed;
    proposed.name = QStringLiteral("Signal_%1").arg(field.startBit);
    proposed.startBit = field.startBit;
    proposed.length = field.length;
    proposed.littleEndian = field.littleEndian;
    const bool newMessage = !messageOf(key);
    SignalDialog dialog(proposed, newMessage, dialogParent);
    dialog.setMessageName(QStringLiteral("Msg_%1").arg(QString::number(quint32(key), 16).toUpper()));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return addSignal(key, dialog.signal(), dialog.messageName(), dialog.sender(), frameLength);
}

bool DbcEditor::changeSignal(quint64 key, const QString &name, const DbcSignal &signal)
{
    QString error;
    const bool ok = doc.changeSignal(quint32(key), key >> 32, name, signal, &error);
    return done(ok, error, tr("已更改信号 %1 (未保存)").arg(signal.name));
}

bool DbcEditor::editSignal(quint64 key, const QString &name)
{
    const DbcMessage *message = messageOf(key);
    if (!message)
        return false;
    for (const DbcSignal &signal : message->signalList) {
        if (signal.name != name)
            continue;
        SignalDialog dialog(signal, false, dialogParent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        return changeSignal(key, name, dialog.signal());
    }
    return false;
}

bool DbcEditor::removeSignal(quint64 key, const QString &name)
{
    QString error;
    const bool ok = doc.removeSignal(quint32(key), key >> 32, name, &error);
    return done(ok, error, tr("已删除信号 %1 (未保存)").arg(name));
}

bool DbcEditor::makePatternSignals(quint64 key, const std::vector<CounterFinding> &counters,
                                   const std::vector<ChecksumFinding> &checksums, int frameLength)
{
    const QString prefix = messageOf(key) ? messageOf(key)->name
                                          : QStringLiteral("Msg_%1").arg(QString::number(quint32(key), 16).toUpper());
    int made = 0;
    const auto make = [&](const BitField &field, const QString &name, const QString &comment,
                          double maximum) {
        DbcSignal signal;
        signal.name = name;
        signal.startBit = field.startBit;
        signal.length = field.length;
        signal.littleEndian = field.littleEndian;
        signal.maximum = maximum;
        signal.comment = comment;
        made += addSignal(key, signal, prefix, QString(), frameLength);
    };
    for (size_t i = 0; i < counters.size(); ++i)
        make(counters[i].field,
             counters.size() == 1 ? QStringLiteral("Counter") : QStringLiteral("Counter%1").arg(i + 1),
             QStringLiteral("Counts up by one each frame, up to %1.").arg(counters[i].highest),
             double(counters[i].highest));
    // An XOR over every byte fits in more than one place: the one clear of the counters.
    const auto clearOfCounters = [&](const ChecksumFinding &checksum) {
        BitMask place, counter;
        fieldMask(checksum.field, CanFrame::FdMaxLength, &place);
        return std::none_of(counters.cbegin(), counters.cend(), [&](const CounterFinding &c) {
            fieldMask(c.field, CanFrame::FdMaxLength, &counter);
            return intersects(place, counter);
        });
    };
    const auto checksum = std::find_if(checksums.cbegin(), checksums.cend(), clearOfCounters);
    // The transmit window reads the algorithm back from this comment.
    if (checksum != checksums.cend())
        make(checksum->field, QStringLiteral("Checksum"),
             QStringLiteral("Checksum: %1.").arg(checksum->text),
             double((quint64(1) << checksum->field.length) - 1));
    return made > 0;
}

bool DbcEditor::undo()
{
    if (!doc.undo())
        return false;
    emit edited();
    emit status(tr("已撤销上一次更改"), false);
    return true;
}

bool DbcEditor::save()
{
    return file.isEmpty() ? saveAs() : saveAs(file);
}

bool DbcEditor::settleUnsavedChanges()
{
    if (!doc.isModified())
        return true;
    QMessageBox box(QMessageBox::Warning, tr("未保存的更改"),
                    file.isEmpty() ? tr("新数据库还没有保存.")
                                   : tr("%1 有未保存的更改.").arg(QFileInfo(file).fileName()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, dialogParent);
    box.setInformativeText(tr("保存更改吗?"));
    box.button(QMessageBox::Save)->setText(tr("保存"));
    box.button(QMessageBox::Discard)->setText(tr("不保存"));
    box.button(QMessageBox::Cancel)->setText(tr("取消"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

bool DbcEditor::saveAs(const QString &target)
{
    QString fileName = target;
    if (fileName.isEmpty())
        fileName = QFileDialog::getSaveFileName(dialogParent, tr("保存DBC"),
                                                file.isEmpty() ? QDir::currentPath() : file,
                                                tr("CAN 数据库 (*.dbc)"));
    if (fileName.isEmpty())
        return false;
    QString error;
    if (!saveDbcDocument(doc, fileName, &error)) {
        emit status(tr("无法保存 %1: %2. 文件保持原样.").arg(fileName, error), true);
        return false;
    }
    doc.setSaved();
    file = fileName;
    emit edited();
    emit status(tr("已保存 %1").arg(fileName), false);
    return true;
}
