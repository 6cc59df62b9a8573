#include "signalsearchwindow.h"

#include "capturestore.h"
#include "followingbits.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum CandidateColumn { Identifier, StartBit, Length, ByteOrder, Signedness, Value, ColumnCount };
} // namespace

SignalSearchWindow::SignalSearchWindow(CaptureStore *capture,
                                       std::function<std::pair<qint64, qint64>()> span,
                                       QWidget *parent)
    : QWidget(parent, Qt::Window),
      capture(capture),
      span(std::move(span)),
      kind(new QComboBox(this)),
      low(new QLineEdit(this)),
      high(new QLineEdit(this)),
      applyButton(new QPushButton(tr("用于所选时间段"), this)),
      undoButton(new QPushButton(tr("撤销一步"), this)),
      restartButton(new QPushButton(tr("重新开始"), this)),
      plotButton(new QPushButton(tr("画出"), this)),
      makeButton(new QPushButton(tr("做成信号…"), this)),
      followButton(new QPushButton(tr("跟随它的位"), this)),
      followTable(new QTableWidget(0, 4, this)),
      status(new QLabel(this)),
      table(new QTableWidget(0, ColumnCount, this))
{
    setWindowTitle(tr("按行为搜索信号"));
    const std::pair<QObject *, const char *> names[] = {
        { kind, "searchKind" },          { low, "searchLow" },
        { high, "searchHigh" },          { applyButton, "btnApplyStep" },
        { undoButton, "btnUndoStep" },   { restartButton, "btnRestartSearch" },
        { plotButton, "btnPlotCandidate" }, { makeButton, "btnMakeCandidate" },
        { status, "labelSearchStatus" }, { table, "candidateTable" },
        { followButton, "btnFollowCandidate" }, { followTable, "followTable" },
    };
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));
    // In SearchStep::Kind's order.
    kind->addItems({ tr("上升了 (末值大于初值)"), tr("下降了 (末值小于初值)"), tr("一直不变"),
                     tr("变化过"), tr("在时间段末尾等于"), tr("一直在范围内") });
    low->setPlaceholderText(tr("原始值"));
    high->setPlaceholderText(tr("上限"));
    table->setHorizontalHeaderLabels(
            { tr("标识符"), tr("起始位"), tr("长度"), tr("字节顺序"), tr("有符号"), tr("当前值") });
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    status->setWordWrap(true);
    followButton->setToolTip(tr("列出所有报文中随所选候选一起变化 (或正好相反) 的位"));
    followTable->setHorizontalHeaderLabels({ tr("标识符"), tr("位"), tr("一致"), tr("反相") });
    followTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    followTable->verticalHeader()->hide();
    followTable->horizontalHeader()->setStretchLastSection(true);
    followTable->hide();
    auto *stepRow = new QHBoxLayout;
    stepRow->addWidget(new QLabel(tr("值:"), this));
    stepRow->addWidget(kind);
    stepRow->addWidget(low);
    stepRow->addWidget(high);
    stepRow->addWidget(applyButton);
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(undoButton);
    searchRow->addWidget(restartButton);
    searchRow->addStretch();
    searchRow->addWidget(followButton);
    searchRow->addWidget(plotButton);
    searchRow->addWidget(makeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("时间段是信号窗口 \"位\" 页上选的时间段; 数值是原始值 (系数尚不知道)."), this));
    layout->addLayout(stepRow);
    layout->addWidget(status);
    layout->addWidget(table, 1);
    layout->addLayout(searchRow);
    layout->addWidget(followTable, 1);
    resize(640, 520);

    const auto showFields = [this](int index) {
        const auto step = SearchStep::Kind(index);
        low->setVisible(step == SearchStep::Kind::Equals || step == SearchStep::Kind::Within);
        high->setVisible(step == SearchStep::Kind::Within);
        low->setPlaceholderText(step == SearchStep::Kind::Within ? tr("下限") : tr("原始值"));
    };
    showFields(0);
    connect(kind, &QComboBox::currentIndexChanged, this, showFields);
    connect(applyButton, &QPushButton::clicked, this, &SignalSearchWindow::applyStep);
    connect(undoButton, &QPushButton::clicked, this, &SignalSearchWindow::undoStep);
    connect(restartButton, &QPushButton::clicked, this, &SignalSearchWindow::startOver);
    const auto emitFor = [this](bool plot) {
        const std::optional<SearchCandidate> candidate = candidateAt(table->currentRow());
        if (!candidate)
            return;
        if (plot)
            emit plotRequested(keyOf(*candidate), candidate->field);
        else
            emit signalRequested(keyOf(*candidate), candidate->field);
    };
    connect(plotButton, &QPushButton::clicked, this, [emitFor] { emitFor(true); });
    connect(table, &QTableWidget::cellDoubleClicked, this, [emitFor] { emitFor(true); });
    connect(makeButton, &QPushButton::clicked, this, [emitFor] { emitFor(false); });
    connect(followButton, &QPushButton::clicked, this, [this] { listFollowers(table->currentRow()); });
    startOver();
}

quint64 SignalSearchWindow::keyOf(const SearchCandidate &candidate) const
{
    const SignalSearch::Message &message = state.messages()[candidate.message];
    return quint64(message.identifier) | (message.extended ? quint64(1) << 32 : 0);
}

void SignalSearchWindow::startOver()
{
    state.clear();
    started = false;
    status->setText(tr("还没有搜索步骤: 每一步都会缩小候选范围"));
    showCandidates();
}

bool SignalSearchWindow::applyStep()
{
    if (!started) {
        // Every field of every message that changes in the capture.
        state.start(*capture);
        started = true;
    }
    SearchStep step;
    step.kind = SearchStep::Kind(kind->currentIndex());
    std::tie(step.fromUs, step.toUs) = span();
    if (step.kind == SearchStep::Kind::Equals)
        step.fromUs = step.toUs; // the value at the span's end
    bool lowOk = true, highOk = true;
    if (step.kind == SearchStep::Kind::Equals || step.kind == SearchStep::Kind::Within)
        step.low = low->text().trimmed().toLongLong(&lowOk);
    if (step.kind == SearchStep::Kind::Within)
        step.high = high->text().trimmed().toLongLong(&highOk);
    if (!lowOk || !highOk) {
        status->setText(tr("请输入整数原始值"));
        return false;
    }
    if (!state.apply(*capture, step)) {
        status->setText(tr("这一步无法使用: 所选时间段内没有帧, 或范围上下颠倒"));
        return false;
    }
    showCandidates();
    return true;
}

void SignalSearchWindow::undoStep()
{
    if (state.undo())
        showCandidates();
}

std::optional<SearchCandidate> SignalSearchWindow::candidateAt(int row) const
{
    if (row < 0 || size_t(row) >= state.candidates().size() || row >= ShownCandidates)
        return std::nullopt;
    return state.candidates()[size_t(row)];
}

void SignalSearchWindow::showCandidates()
{
    const std::vector<SearchCandidate> &candidates = state.candidates();
    if (started)
        status->setText(tr("%n 个候选, 共 %1 步", "", int(candidates.size())).arg(state.stepCount())
                        + (candidates.size() > size_t(ShownCandidates)
                                   ? tr("; 只列出前 %1 个").arg(ShownCandidates)
                                   : QString()));
    undoButton->setEnabled(state.stepCount() > 0);
    const int rows = int(std::min(candidates.size(), size_t(ShownCandidates)));
    table->setRowCount(rows);
    // The current value: each message's newest frame.
    QHash<quint64, std::array<quint8, CanFrame::FdMaxLength + 4>> newest;
    for (quint64 sequence = capture->endSequence();
         sequence > capture->firstSequence() && newest.size() < qsizetype(state.messages().size());) {
        const CaptureRecord record = capture->at(--sequence);
        const quint64 key = quint64(record.frame.identifier)
                | (record.frame.extended ? quint64(1) << 32 : 0);
        if (!record.frame.error && !record.frame.remote && !newest.contains(key)) {
            std::array<quint8, CanFrame::FdMaxLength + 4> bytes{};
            std::copy(record.frame.data.cbegin(), record.frame.data.cend(), bytes.begin());
            newest.insert(key, bytes);
        }
    }
    for (int row = 0; row < rows; ++row) {
        const SearchCandidate &candidate = candidates[size_t(row)];
        const SignalSearch::Message &message = state.messages()[candidate.message];
        const auto bytes = newest.value(keyOf(candidate));
        const QStringList cells = {
            messageIdText(message.identifier, message.extended),
            QString::number(candidate.field.startBit), QString::number(candidate.field.length),
            candidate.field.littleEndian ? QStringLiteral("Intel") : QStringLiteral("Motorola"),
            candidate.field.isSigned ? tr("是") : tr("否"),
            QString::number(fieldValue(candidate.field, bytes.data()))
        };
        for (int column = 0; column < ColumnCount; ++column)
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

void SignalSearchWindow::listFollowers(int row)
{
    if (const std::optional<SearchCandidate> candidate = candidateAt(row))
        listFollowersOf(keyOf(*candidate), candidate->field);
}

void SignalSearchWindow::listFollowersOf(quint64 key, const BitField &field)
{
    const auto [fromUs, toUs] = span();
    const std::vector<FollowingBit> bits = followingBits(*capture, key, field, fromUs, toUs);
    followTable->setRowCount(int(bits.size()));
    for (int r = 0; r < int(bits.size()); ++r) {
        const FollowingBit &bit = bits[size_t(r)];
        const QStringList cells = {
            messageIdText(bit.identifier, bit.extended),
            tr("%1 (字节 %2 的位 %3)").arg(bit.bit).arg(bit.bit / 8).arg(bit.bit % 8),
            QStringLiteral("%1%").arg(bit.agreement * 100, 0, 'f', 1),
            bit.inverted ? tr("是") : tr("否")
        };
        for (int column = 0; column < 4; ++column)
            followTable->setItem(r, column, new QTableWidgetItem(cells[column]));
    }
    followTable->show();
    if (bits.empty())
        status->setText(tr("它在所选时间段内没有帧, 或者不变: 没有可比的位"));
}
