#include "bitanalysispanel.h"

#include "bitgrid.h"
#include "capturestore.h"
#include "dbc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace {
// Enough frames to tell a counter or checksum from chance, few enough to try every algorithm at once.
constexpr int PatternFrames = 2000;

QString byteOrderText(const BitField &field)
{
    return field.littleEndian ? QStringLiteral("Intel") : QStringLiteral("Motorola");
}
} // namespace

BitAnalysisPanel::BitAnalysisPanel(CaptureStore *capture, QWidget *parent)
    : QWidget(parent),
      capture(capture),
      spanChoice(new QComboBox(this)),
      recentSeconds(new QSpinBox(this)),
      buttonA(new QPushButton(tr("A = 这个时间段"), this)),
      buttonB(new QPushButton(tr("B = 这个时间段"), this)),
      compare(new QCheckBox(tr("比较 A 与 B"), this)),
      hideExplained(new QCheckBox(tr("隐藏数据库已解释的位"), this)),
      onlyChanged(new QCheckBox(tr("报文列表只列出有变化位的报文"), this)),
      spanLabel(new QLabel(this)),
      gridNote(new QLabel(this)),
      bitGrid(new BitGrid(this)),
      findButton(new QPushButton(tr("查找计数器和校验和"), this)),
      acceptButton(new QPushButton(tr("做成信号"), this)),
      searchButton(new QPushButton(tr("按行为搜索信号…"), this)),
      findingsLabel(new QLabel(this))
{
    const std::pair<QObject *, const char *> names[] = {
        { spanChoice, "spanChoice" },       { recentSeconds, "recentSeconds" },
        { buttonA, "btnMarkA" },            { buttonB, "btnMarkB" },
        { compare, "checkCompare" },        { hideExplained, "checkHideExplained" },
        { onlyChanged, "checkOnlyChanged" }, { bitGrid, "bitGrid" },
        { findButton, "btnFindPatterns" },  { acceptButton, "btnMakePatternSignals" },
        { searchButton, "btnSearchSignal" }, { findingsLabel, "labelFindings" },
        { gridNote, "labelGridNote" },      { spanLabel, "labelSpans" },
    };
    for (const auto &[object, name] : names)
        object->setObjectName(QLatin1String(name));
    spanChoice->addItems({ tr("整个捕获"), tr("最近几秒"), tr("图中显示的时间段") });
    recentSeconds->setRange(1, 3600);
    recentSeconds->setValue(10);
    recentSeconds->setSuffix(tr(" 秒"));
    recentSeconds->setEnabled(false);
    compare->setEnabled(false);
    acceptButton->setEnabled(false);
    findingsLabel->setWordWrap(true);
    findingsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    spanLabel->setWordWrap(true);
    buttonA->setToolTip(tr("把上面选的时间段定为 A (例如什么都不做的几秒)"));
    buttonB->setToolTip(tr("把上面选的时间段定为 B (例如踩下踏板的几秒)"));
    gridNote->setStyleSheet(QStringLiteral("color: #b03000;"));
    gridNote->hide();

    auto *spanRow = new QHBoxLayout;
    spanRow->addWidget(new QLabel(tr("时间段:"), this));
    spanRow->addWidget(spanChoice);
    spanRow->addWidget(recentSeconds);
    spanRow->addWidget(buttonA);
    spanRow->addWidget(buttonB);
    spanRow->addStretch();
    auto *compareRow = new QHBoxLayout;
    compareRow->addWidget(compare);
    compareRow->addWidget(spanLabel, 1);
    auto *optionRow = new QHBoxLayout;
    optionRow->addWidget(hideExplained);
    optionRow->addWidget(onlyChanged);
    optionRow->addStretch();
    auto *patternRow = new QHBoxLayout;
    patternRow->addWidget(findButton);
    patternRow->addWidget(acceptButton);
    patternRow->addStretch();
    patternRow->addWidget(searchButton);
    auto *scroll = new QScrollArea(this);
    scroll->setWidget(bitGrid);
    scroll->setWidgetResizable(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(spanRow);
    layout->addLayout(compareRow);
    layout->addLayout(optionRow);
    layout->addWidget(gridNote);
    layout->addWidget(scroll, 1);
    layout->addLayout(patternRow);
    layout->addWidget(findingsLabel);

    connect(spanChoice, &QComboBox::currentIndexChanged, this,
            [this](int index) { setSpanChoice(SpanChoice(index)); });
    connect(recentSeconds, &QSpinBox::valueChanged, this, &BitAnalysisPanel::refresh);
    connect(buttonA, &QPushButton::clicked, this, &BitAnalysisPanel::markA);
    connect(buttonB, &QPushButton::clicked, this, &BitAnalysisPanel::markB);
    connect(compare, &QCheckBox::toggled, this, &BitAnalysisPanel::setComparing);
    connect(hideExplained, &QCheckBox::toggled, this, &BitAnalysisPanel::showGrid);
    connect(searchButton, &QPushButton::clicked, this, &BitAnalysisPanel::searchRequested);
    connect(onlyChanged, &QCheckBox::toggled, this, &BitAnalysisPanel::listFilterChanged);
    connect(findButton, &QPushButton::clicked, this, &BitAnalysisPanel::findPatterns);
    connect(acceptButton, &QPushButton::clicked, this, [this] {
        if (selected)
            emit patternsAccepted(*selected);
    });
    connect(bitGrid, &BitGrid::fieldMarked, this, [this](const BitField &field) {
        if (selected)
            emit fieldMarked(*selected, field);
    });
    nextSequence = capture->firstSequence();
    spanLabel->setText(tr("A 和 B 尚未标记"));
}

void BitAnalysisPanel::setPlotSpan(qint64 origin, double fromS, double toS)
{
    originUs = origin;
    plotFrom = fromS;
    plotTo = toS;
}

void BitAnalysisPanel::setMessage(std::optional<quint64> key, const DbcMessage *message)
{
    if (key != selected) {
        counterFindings.clear();
        checksumFindings.clear();
        findingsLabel->clear();
        acceptButton->setEnabled(false);
    }
    selected = key;
    selectedMessage = message;
    showGrid();
}

void BitAnalysisPanel::setSpanChoice(SpanChoice choice)
{
    if (spanChoice->currentIndex() != choice)
        spanChoice->setCurrentIndex(choice); // comes back here
    recentSeconds->setEnabled(choice == RecentSeconds);
    computedSpan.reset();
    refresh();
}

BitAnalysisPanel::TimeSpan BitAnalysisPanel::currentSpan() const
{
    switch (spanChoice->currentIndex()) {
    case RecentSeconds: {
        const qint64 newest = capture->isEmpty() ? 0 : capture->last().timestampUs;
        return { newest - qint64(recentSeconds->value()) * 1'000'000, newest };
    }
    case PlotSpan:
        return { originUs + qint64(plotFrom * 1e6), originUs + qint64(plotTo * 1e6) };
    default:
        return { std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max() };
    }
}

QString BitAnalysisPanel::spanText(const TimeSpan &span) const
{
    return tr("%1 s 至 %2 s")
            .arg(double(span.fromUs - originUs) / 1e6, 0, 'f', 1)
            .arg(double(span.toUs - originUs) / 1e6, 0, 'f', 1);
}

// The chosen span as it is now: the whole capture up to its newest frame.
BitAnalysisPanel::TimeSpan BitAnalysisPanel::fixedSpan() const
{
    TimeSpan span = currentSpan();
    if (spanChoice->currentIndex() == WholeCapture && !capture->isEmpty())
        span = { capture->at(capture->firstSequence()).timestampUs, capture->last().timestampUs };
    return span;
}

std::pair<qint64, qint64> BitAnalysisPanel::chosenSpan() const
{
    const TimeSpan span = fixedSpan();
    return { span.fromUs, span.toUs };
}

void BitAnalysisPanel::markA()
{
    spanA = fixedSpan();
    activityA = bitActivityOf(*capture, spanA->fromUs, spanA->toUs);
    compare->setEnabled(spanA && spanB);
    spanLabel->setText(tr("A: %1; B: %2")
                               .arg(spanText(*spanA),
                                    spanB ? spanText(*spanB) : tr("尚未标记")));
    if (isComparing())
        refresh();
}

void BitAnalysisPanel::markB()
{
    spanB = fixedSpan();
    activityB = bitActivityOf(*capture, spanB->fromUs, spanB->toUs);
    compare->setEnabled(spanA && spanB);
    spanLabel->setText(tr("A: %1; B: %2")
                               .arg(spanA ? spanText(*spanA) : tr("尚未标记"), spanText(*spanB)));
    if (compare->isEnabled() && !compare->isChecked())
        compare->setChecked(true); // B marked after A: the comparison is what is wanted
    else if (isComparing())
        refresh();
}

void BitAnalysisPanel::setComparing(bool on)
{
    if (compare->isChecked() != on)
        compare->setChecked(on);
    refresh();
}

bool BitAnalysisPanel::isComparing() const
{
    return compare->isChecked() && spanA && spanB;
}

void BitAnalysisPanel::startOver()
{
    whole.clear();
    spanActivity.clear();
    computedSpan.reset();
    spanA.reset();
    spanB.reset();
    activityA.clear();
    activityB.clear();
    compare->setChecked(false);
    compare->setEnabled(false);
    spanLabel->setText(tr("A 和 B 尚未标记"));
    nextSequence = capture->firstSequence();
    refresh();
}

void BitAnalysisPanel::refresh()
{
    recompute();
    updateCounts();
    showGrid();
}

void BitAnalysisPanel::recompute()
{
    const quint64 from = std::max(nextSequence, capture->firstSequence());
    const quint64 end = capture->endSequence();
    const bool grew = end > from;
    const qint64 firstNewUs = grew ? capture->at(from).timestampUs : 0;
    for (quint64 sequence = from; sequence < end; ++sequence)
        whole.add(capture->at(sequence).frame);
    nextSequence = end;
    if (spanChoice->currentIndex() == WholeCapture)
        return;
    const TimeSpan span = currentSpan();
    const bool moved = !computedSpan || computedSpan->fromUs != span.fromUs
            || computedSpan->toUs != span.toUs;
    if (moved || (grew && firstNewUs <= span.toUs)) {
        spanActivity = bitActivityOf(*capture, span.fromUs, span.toUs);
        computedSpan = span;
    }
}

void BitAnalysisPanel::updateCounts()
{
    QHash<quint64, int> newCounts;
    if (isComparing()) {
        for (const BitActivity *activity : { &activityA, &activityB }) {
            for (const MessageBits &bits : activity->messages()) {
                newCounts.insert(BitActivity::key(bits.identifier, bits.extended),
                                 contrastCount(activityA.find(bits.identifier, bits.extended),
                                               activityB.find(bits.identifier, bits.extended)));
            }
        }
    } else {
        const BitActivity &active = spanChoice->currentIndex() == WholeCapture ? whole : spanActivity;
        for (const MessageBits &bits : active.messages())
            newCounts.insert(BitActivity::key(bits.identifier, bits.extended), bits.changedBitCount());
    }
    if (newCounts != counts) {
        counts = std::move(newCounts);
        emit countsChanged();
    }
}

void BitAnalysisPanel::showGrid()
{
    const MessageBits *bits = nullptr;
    std::vector<BitContrast> contrast;
    if (selected) {
        const quint32 id = quint32(*selected);
        const bool extended = *selected >> 32;
        if (isComparing()) {
            const MessageBits *a = activityA.find(id, extended);
            bits = activityB.find(id, extended);
            contrast = contrastBits(a, bits);
            if (!bits)
                bits = a;
        } else {
            bits = (spanChoice->currentIndex() == WholeCapture ? whole : spanActivity).find(id, extended);
        }
    }
    bitGrid->setBits(bits, selectedMessage, std::move(contrast), hideExplained->isChecked());
    QString note;
    if (selected && isComparing()) {
        const bool inA = activityA.find(quint32(*selected), *selected >> 32);
        const bool inB = activityB.find(quint32(*selected), *selected >> 32);
        note = !inA && !inB ? tr("这个报文在 A 和 B 中都没有帧")
                : !inA      ? tr("这个报文在 A 中没有帧, 无法比较")
                : !inB      ? tr("这个报文在 B 中没有帧, 无法比较")
                            : QString();
    } else if (selected && !bits) {
        note = tr("这个报文在所选时间段内没有帧");
    }
    gridNote->setText(note);
    gridNote->setVisible(!note.isEmpty());
}

void BitAnalysisPanel::findPatterns()
{
    counterFindings.clear();
    checksumFindings.clear();
    if (selected) {
        // The message's latest frames in the span, oldest first.
        const TimeSpan span = currentSpan();
        std::vector<CanFrame> frames;
        for (quint64 sequence = capture->endSequence();
             sequence > capture->firstSequence() && int(frames.size()) < PatternFrames;) {
            const CaptureRecord record = capture->at(--sequence);
            if (record.timestampUs < span.fromUs)
                break;
            if (record.timestampUs <= span.toUs && !record.frame.error && !record.frame.remote
                && BitActivity::key(record.frame.identifier, record.frame.extended) == *selected)
                frames.push_back(record.frame);
        }
        std::reverse(frames.begin(), frames.end());
        counterFindings = findCounters(frames);
        checksumFindings = findChecksums(frames);
    }
    findingsLabel->setText(findingsText());
    acceptButton->setEnabled(!counterFindings.empty() || !checksumFindings.empty());
}

QString BitAnalysisPanel::findingsText() const
{
    QStringList lines;
    for (const CounterFinding &found : counterFindings)
        lines << tr("计数器: 起始位 %1, %2 位, %3, 最大 %4; %5% 的帧加一")
                         .arg(found.field.startBit)
                         .arg(found.field.length)
                         .arg(byteOrderText(found.field))
                         .arg(found.highest)
                         .arg(found.share * 100, 0, 'f', 1);
    for (const ChecksumFinding &found : checksumFindings)
        lines << tr("校验和: %1, 起始位 %2, %3 位, %4; %5% 的帧相符")
                         .arg(found.text)
                         .arg(found.field.startBit)
                         .arg(found.field.length)
                         .arg(byteOrderText(found.field))
                         .arg(found.share * 100, 0, 'f', 1);
    if (lines.isEmpty())
        return tr("没有找到计数器或校验和");
    return lines.join(u'\n');
}
