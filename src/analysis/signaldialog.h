#ifndef SIGNALDIALOG_H
#define SIGNALDIALOG_H

#include "dbc.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// Asks what a signal is: name, place, scaling, unit, range, comment and
// value texts; for a message the database lacks also the message's name and
// sender. OK stays off while what is entered cannot be written to a DBC file.
class SignalDialog : public QDialog
{
    Q_OBJECT

public:
    // `newMessage`: the identifier is not in the database yet.
    SignalDialog(const DbcSignal &proposed, bool newMessage, QWidget *parent = nullptr);

    DbcSignal signal() const;
    QString messageName() const;
    QString sender() const;
    // Why OK is off; empty when it is on.
    QString problem() const;

    void setMessageName(const QString &name);

    // "0=Off; 1=On" both ways; nothing for text that is not such a list.
    static std::optional<QMap<qint64, QString>> parseValueTexts(const QString &text);
    static QString valueTextsText(const QMap<qint64, QString> &texts);

private:
    void check();

    QLineEdit *messageNameEdit = nullptr;
    QLineEdit *senderEdit = nullptr;
    QLineEdit *nameEdit;
    QSpinBox *startBitBox;
    QSpinBox *lengthBox;
    QComboBox *byteOrderBox;
    QCheckBox *signedBox;
    QLineEdit *factorEdit;
    QLineEdit *offsetEdit;
    QLineEdit *unitEdit;
    QLineEdit *minimumEdit;
    QLineEdit *maximumEdit;
    QLineEdit *commentEdit;
    QLineEdit *valueTextsEdit;
    QLabel *problemLabel;
    QDialogButtonBox *buttons;
    DbcSignal original;
};

#endif // SIGNALDIALOG_H
