#include "signaldialog.h"

#include "bitfield.h"
#include "dbcdocument.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

#include <cmath>

namespace {
bool isDbcName(const QString &text)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return name.match(text).hasMatch();
}

std::optional<double> numberOf(const QLineEdit *edit)
{
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}
} // namespace

SignalDialog::SignalDialog(const DbcSignal &proposed, bool newMessage, QWidget *parent)
    : QDialog(parent),
      nameEdit(new QLineEdit(proposed.name, this)),
      startBitBox(new QSpinBox(this)),
      lengthBox(new QSpinBox(this)),
      byteOrderBox(new QComboBox(this)),
      signedBox(new QCheckBox(tr("有符号"), this)),
      factorEdit(new QLineEdit(dbcNumber(proposed.factor), this)),
      offsetEdit(new QLineEdit(dbcNumber(proposed.offset), this)),
      unitEdit(new QLineEdit(proposed.unit, this)),
      minimumEdit(new QLineEdit(dbcNumber(proposed.minimum), this)),
      maximumEdit(new QLineEdit(dbcNumber(proposed.maximum), this)),
      commentEdit(new QLineEdit(proposed.comment, this)),
      valueTextsEdit(new QLineEdit(valueTextsText(proposed.valueTexts), this)),
      problemLabel(new QLabel(this)),
      buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)),
      original(proposed)
{
    setWindowTitle(tr("信号"));
    const std::pair<QObject *, const char *> names[] = {
        { nameEdit, "signalName" },         { startBitBox, "signalStartBit" },
        { lengthBox, "signalLength" },      { byteOrderBox, "signalByteOrder" },
        { signedBox, "signalSigned" },      { factorEdit, "signalFactor" },
        { offsetEdit, "signalOffset" },     { unitEdit, "signalUnit" },
        { minimumEdit, "signalMinimum" },   { maximumEdit, "signalMaximum" },
        { commentEdit, "signalComment" },   { valueTextsEdit, "signalValueTexts" },
        { problemLabel, "labelProblem" },
    };
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));
    auto *form = new QFormLayout(this);
    if (newMessage) {
        messageNameEdit = new QLineEdit(this);
        senderEdit = new QLineEdit(this);
        senderEdit->setPlaceholderText(QStringLiteral("Vector__XXX"));
        messageNameEdit->setObjectName(QStringLiteral("messageName"));
        senderEdit->setObjectName(QStringLiteral("messageSender"));
        form->addRow(tr("新报文的名称:"), messageNameEdit);
        form->addRow(tr("发送节点:"), senderEdit);
        connect(messageNameEdit, &QLineEdit::textChanged, this, &SignalDialog::check);
        connect(senderEdit, &QLineEdit::textChanged, this, &SignalDialog::check);
    }
    startBitBox->setRange(0, 511);
    startBitBox->setValue(proposed.startBit);
    lengthBox->setRange(1, 64);
    lengthBox->setValue(proposed.length);
    byteOrderBox->addItems({ tr("Intel (小端)"), tr("Motorola (大端)") });
    byteOrderBox->setCurrentIndex(proposed.littleEndian ? 0 : 1);
    signedBox->setChecked(proposed.isSigned);
    valueTextsEdit->setPlaceholderText(tr("例如 0=关; 1=开"));
    problemLabel->setStyleSheet(QStringLiteral("color: #b03000;"));
    form->addRow(tr("名称:"), nameEdit);
    form->addRow(tr("起始位:"), startBitBox);
    form->addRow(tr("长度 (位):"), lengthBox);
    form->addRow(tr("字节顺序:"), byteOrderBox);
    form->addRow(QString(), signedBox);
    form->addRow(tr("系数:"), factorEdit);
    form->addRow(tr("偏移:"), offsetEdit);
    form->addRow(tr("单位:"), unitEdit);
    form->addRow(tr("最小值:"), minimumEdit);
    form->addRow(tr("最大值:"), maximumEdit);
    form->addRow(tr("注释:"), commentEdit);
    form->addRow(tr("值描述:"), valueTextsEdit);
    form->addRow(problemLabel);
    form->addRow(buttons);
    for (QLineEdit *edit : { nameEdit, factorEdit, offsetEdit, unitEdit, minimumEdit, maximumEdit,
                             commentEdit, valueTextsEdit })
        connect(edit, &QLineEdit::textChanged, this, &SignalDialog::check);
    connect(startBitBox, &QSpinBox::valueChanged, this, &SignalDialog::check);
    connect(lengthBox, &QSpinBox::valueChanged, this, &SignalDialog::check);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    check();
}

void SignalDialog::setMessageName(const QString &name)
{
    if (messageNameEdit)
        messageNameEdit->setText(name);
}

QString SignalDialog::messageName() const
{
    return messageNameEdit ? messageNameEdit->text().trimmed() : QString();
}

QString SignalDialog::sender() const
{
    return senderEdit ? senderEdit->text().trimmed() : QString();
}

DbcSignal SignalDialog::signal() const
{
    DbcSignal signal = original;
    signal.name = nameEdit->text().trimmed();
    signal.startBit = startBitBox->value();
    signal.length = lengthBox->value();
    signal.littleEndian = byteOrderBox->currentIndex() == 0;
    signal.isSigned = signedBox->isChecked();
    signal.factor = numberOf(factorEdit).value_or(1.0);
    signal.offset = numberOf(offsetEdit).value_or(0.0);
    signal.unit = unitEdit->text();
    signal.minimum = numberOf(minimumEdit).value_or(0.0);
    signal.maximum = numberOf(maximumEdit).value_or(0.0);
    signal.comment = commentEdit->text();
    signal.valueTexts = parseValueTexts(valueTextsEdit->text()).value_or(QMap<qint64, QString>());
    return signal;
}

QString SignalDialog::problem() const
{
    if (messageNameEdit && !isDbcName(messageName()))
        return tr("报文名称只能由字母, 数字和下划线组成, 且不以数字开头");
    if (senderEdit && !sender().isEmpty() && !isDbcName(sender()))
        return tr("发送节点的名称只能由字母, 数字和下划线组成");
    if (!isDbcName(nameEdit->text().trimmed()))
        return tr("信号名称只能由字母, 数字和下划线组成, 且不以数字开头");
    for (const QLineEdit *edit : { factorEdit, offsetEdit, minimumEdit, maximumEdit }) {
        if (!numberOf(edit))
            return tr("系数, 偏移, 最小值和最大值必须是数字");
    }
    if (*numberOf(factorEdit) == 0.0)
        return tr("系数不能为 0");
    if (unitEdit->text().contains(u'"') || unitEdit->text().contains(u'\n'))
        return tr("单位中不能有引号或换行");
    if (!parseValueTexts(valueTextsEdit->text()))
        return tr("值描述的写法是 值=文字, 用分号隔开, 例如 0=关; 1=开");
    const DbcSignal entered = signal();
    const BitField field{ quint16(entered.startBit), quint16(entered.length), entered.littleEndian,
                          false };
    if (fieldEndByte(field) > CanFrame::FdMaxLength)
        return tr("信号超出了 64 字节");
    return QString();
}

void SignalDialog::check()
{
    const QString text = problem();
    problemLabel->setText(text);
    problemLabel->setVisible(!text.isEmpty());
    buttons->button(QDialogButtonBox::Ok)->setEnabled(text.isEmpty());
}

std::optional<QMap<qint64, QString>> SignalDialog::parseValueTexts(const QString &text)
{
    QMap<qint64, QString> texts;
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        if (part.trimmed().isEmpty())
            continue;
        const qsizetype equals = part.indexOf(u'=');
        bool ok = false;
        const qint64 value = equals > 0 ? part.left(equals).trimmed().toLongLong(&ok) : 0;
        const QString words = part.mid(equals + 1).trimmed();
        if (!ok || words.isEmpty() || words.contains(u'"'))
            return std::nullopt;
        texts.insert(value, words);
    }
    return texts;
}

QString SignalDialog::valueTextsText(const QMap<qint64, QString> &texts)
{
    QStringList parts;
    for (auto it = texts.constBegin(); it != texts.constEnd(); ++it)
        parts << QStringLiteral("%1=%2").arg(it.key()).arg(it.value());
    return parts.join(QLatin1String("; "));
}
