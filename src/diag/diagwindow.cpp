#include "diagwindow.h"

#include "capturestore.h"
#include "diagconsole.h"
#include "diagmessagemodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int RefreshMs = 200;
// Records read a refresh at most, so that a long log keeps the window answering.
constexpr quint64 RecordsPerRefresh = 500'000;
} // namespace

// The protocol chosen and a text the identifier or addresses contain.
class DiagFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setProtocol(const QString &name)
    {
        protocol = name;
        invalidateFilter();
    }
    void setText(const QString &text)
    {
        address = text.trimmed();
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto cell = [&](int column) {
            return sourceModel()->index(row, column, parent).data().toString();
        };
        if (!protocol.isEmpty() && cell(DiagMessageModel::Protocol) != protocol)
            return false;
        return address.isEmpty()
                || cell(DiagMessageModel::Identifier).contains(address, Qt::CaseInsensitive)
                || cell(DiagMessageModel::Addresses).contains(address, Qt::CaseInsensitive);
    }

private:
    QString protocol;
    QString address;
};

DiagWindow::DiagWindow(CaptureStore *capture, QWidget *parent)
    : QWidget(parent, Qt::Window),
      capture(capture),
      timer(new QTimer(this)),
      model(new DiagMessageModel(this)),
      filter(new DiagFilter(this)),
      table(new QTableView(this)),
      framesView(new QPlainTextEdit(this)),
      protocolBox(new QComboBox(this)),
      addressEdit(new QLineEdit(this)),
      idsEdit(new QLineEdit(this)),
      singleFramesBox(new QCheckBox(tr("J1939 单帧参数组"), this)),
      idsProblem(new QLabel(this)),
      requestConsole(new DiagConsole(this))
{
    setWindowTitle(tr("诊断"));
    setObjectName(QStringLiteral("diagWindow"));
    resize(1100, 760);

    protocolBox->setObjectName(QStringLiteral("protocolBox"));
    protocolBox->addItem(tr("全部协议"), QString());
    protocolBox->addItem(QStringLiteral("ISO-TP"), QStringLiteral("ISO-TP"));
    protocolBox->addItem(QStringLiteral("J1939"), QStringLiteral("J1939"));
    addressEdit->setObjectName(QStringLiteral("addressEdit"));
    addressEdit->setPlaceholderText(tr("按标识符或地址筛选"));
    addressEdit->setClearButtonEnabled(true);
    idsEdit->setObjectName(QStringLiteral("idsEdit"));
    idsEdit->setPlaceholderText(tr("更多 ISO-TP 标识符，如 7A0-7A8, 6F1:ext"));
    idsEdit->setToolTip(
            tr("默认: 7DF, 7E0-7EF, 18DA0000-18DBFFFF。"
               "“:ext” 为扩展寻址（第一个数据字节是目标地址），“:fixed” 为 29 位固定寻址。"));
    singleFramesBox->setObjectName(QStringLiteral("singleFramesBox"));
    singleFramesBox->setToolTip(tr("也列出一帧就装下的 J1939 参数组，不只是多包传输的"));
    idsProblem->setObjectName(QStringLiteral("idsProblem"));
    idsProblem->setStyleSheet(QStringLiteral("color: #b00020"));
    idsProblem->hide();

    filter->setSourceModel(model);
    table->setObjectName(QStringLiteral("messageTable"));
    table->setModel(filter);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(false);
    table->horizontalHeader()->setSectionResizeMode(DiagMessageModel::Meaning,
                                                    QHeaderView::Stretch);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    framesView->setObjectName(QStringLiteral("framesView"));
    framesView->setReadOnly(true);
    framesView->setFont(fixed);
    framesView->setPlaceholderText(tr("选中一条报文，这里列出组成它的帧"));

    auto *filters = new QHBoxLayout;
    filters->addWidget(protocolBox);
    filters->addWidget(addressEdit, 1);
    filters->addWidget(idsEdit, 2);
    filters->addWidget(singleFramesBox);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(table);
    splitter->addWidget(framesView);
    splitter->addWidget(requestConsole);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(idsProblem);
    layout->addWidget(splitter, 1);

    timer->setInterval(RefreshMs);
    connect(timer, &QTimer::timeout, this, &DiagWindow::refresh);
    connect(capture, &CaptureStore::replaced, this, [this] {
        startOver();
        fromLog = true;
        if (isVisible())
            refresh();
    });
    connect(capture, &CaptureStore::cleared, this, &DiagWindow::startOver);
    connect(protocolBox, &QComboBox::currentIndexChanged, this,
            [this] { filter->setProtocol(protocolBox->currentData().toString()); });
    connect(addressEdit, &QLineEdit::textChanged, filter,
            [this](const QString &text) { filter->setText(text); });
    connect(idsEdit, &QLineEdit::editingFinished, this, &DiagWindow::applyIdRanges);
    connect(singleFramesBox, &QCheckBox::toggled, this, &DiagWindow::startOver);
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &DiagWindow::showFrames);
    startOver();
}

DiagWindow::~DiagWindow() = default;

void DiagWindow::setDatabase(const DbcDatabase &database)
{
    model->setDatabase(database);
    startOver();
}

void DiagWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    timer->start();
}

void DiagWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    timer->stop();
}

// The identifier ranges typed, comma-separated; the first that is none is named.
void DiagWindow::applyIdRanges()
{
    std::vector<IsoTpIdRange> ranges;
    for (const QString &text : idsEdit->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<IsoTpIdRange> range = parseIsoTpIdRange(text);
        if (!range) {
            idsProblem->setText(tr("“%1”不是标识符或范围").arg(text.trimmed()));
            idsProblem->show();
            return;
        }
        ranges.push_back(*range);
    }
    idsProblem->hide();
    if (ranges == extraIds)
        return;
    extraIds = std::move(ranges);
    startOver();
}

// Everything read again from the capture's start: after a log was opened, the
// capture cleared, or the identifiers or kinds shown changed.
void DiagWindow::startOver()
{
    std::vector<IsoTpIdRange> ids = defaultIsoTpIds();
    ids.insert(ids.end(), extraIds.begin(), extraIds.end());
    isoTp = std::make_unique<IsoTpReassembler>(std::move(ids));
    j1939 = std::make_unique<J1939Reassembler>();
    model->clear();
    framesView->clear();
    fromLog = false;
    nextSequence = capture->firstSequence();
    if (isVisible())
        refresh();
}

void DiagWindow::refresh()
{
    // Records dropped from the capture before they were read are skipped.
    const quint64 from = std::max(nextSequence, capture->firstSequence());
    const quint64 to = std::min(capture->endSequence(), from + RecordsPerRefresh);
    std::vector<DiagMessage> ended;
    const bool singleFrames = singleFramesBox->isChecked();
    const auto keep = [&](size_t before) {
        if (singleFrames)
            return;
        ended.erase(std::remove_if(ended.begin() + qsizetype(before), ended.end(),
                                   [](const DiagMessage &m) {
                                       return m.protocol == DiagMessage::Protocol::J1939
                                               && !m.transported;
                                   }),
                    ended.end());
    };
    for (quint64 sequence = from; sequence < to; ++sequence) {
        const CaptureRecord record = capture->at(sequence);
        const size_t before = ended.size();
        if (!isoTp->feed(record, qint64(sequence), ended))
            j1939->feed(record, qint64(sequence), ended);
        keep(before);
    }
    nextSequence = to;
    if (to == capture->endSequence()) {
        // A log ends what it left open; live traffic what is overdue now.
        if (fromLog) {
            isoTp->finish(ended);
            j1939->finish(ended);
            fromLog = false;
        } else {
            isoTp->expire(wallClockUs(), ended);
            j1939->expire(wallClockUs(), ended);
        }
    }
    model->append(ended);
}

void DiagWindow::showFrames()
{
    const QModelIndex current = filter->mapToSource(table->currentIndex());
    if (!current.isValid()) {
        framesView->clear();
        return;
    }
    QStringList lines;
    for (const qint64 sequence : model->message(current.row()).frames) {
        if (quint64(sequence) < capture->firstSequence()
            || quint64(sequence) >= capture->endSequence()) {
            lines << tr("（这一帧已不在捕获中）");
            continue;
        }
        const CaptureRecord record = capture->at(quint64(sequence));
        const CanFrame &frame = record.frame;
        lines << QStringLiteral("%1  %2  %3  [%4]  %5")
                         .arg(QDateTime::fromMSecsSinceEpoch(record.timestampUs / 1000)
                                      .toString(QStringLiteral("HH:mm:ss.zzz")),
                              record.sent ? tr("发送") : tr("接收"),
                              QString::number(frame.identifier, 16)
                                      .toUpper()
                                      .rightJustified(frame.extended ? 8 : 3, QLatin1Char('0')))
                         .arg(frame.length)
                         .arg(QString::fromLatin1(
                                 QByteArray(reinterpret_cast<const char *>(frame.data.data()),
                                            frame.length)
                                         .toHex(' ')
                                         .toUpper()));
    }
    framesView->setPlainText(lines.join(QLatin1Char('\n')));
}
