#include "graph/GraphWindow.h"

#include "analysis/LapStatistics.h"
#include "exports/FigureExport.h"
#include "graph/GraphPlot.h"
#include "graph/GraphSettings.h"
#include "graph/LiveSource.h"
#include "graph/PlainToolTip.h"
#include "readings/FileReadings.h"
#include "readings/ResultText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

namespace
{

// Fits at 100 000 points take tens of milliseconds: redone at most this
// often while rows arrive, so that following stays fast.
constexpr int ResultsMs = 300;
// A long file is read in pieces of this many bytes, so that only one
// piece's rows are held beside the model at a time.
constexpr qint64 PollBytes = 4 << 20;

QString fitLabelKey()
{
    return QStringLiteral("figure/fitLabel");
}

QString halfSwingKey()
{
    return QStringLiteral("fit/pressPerHalfSwing");
}

// Room for the longest result text, held from the start: a label that grew
// when its first result came would push the controls beside it away under
// the pointer. Wrapped, the longest takes a line or two more.
constexpr int FitResultLines = 15;
constexpr int LapResultLines = 7;
// The narrowest each text may become, wrapped: what keeps the window within
// 920 px whatever a file or a fit puts into them.
constexpr int HintWidth = 240;
constexpr int FitResultWidth = 260;
constexpr int LapResultWidth = 180;

void wrapWithin(QLabel* label, int width)
{
    label->setWordWrap(true);
    label->setMinimumWidth(width);
}

QLabel* resultLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setAccessibleName(name == QStringLiteral("fitResult") ? QStringLiteral("当てはめの結果")
                                                                 : QStringLiteral("ラップの統計"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A file's texts (its value title, its unit) are never taken as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFocusPolicy(Qt::StrongFocus);
    return label;
}

bool samePending(const std::optional<ReadRow>& a, const std::optional<ReadRow>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->kind == b->kind && a->number == b->number && a->elapsed == b->elapsed &&
                  a->target == b->target && a->rejected == b->rejected && a->texts == b->texts);
}

} // namespace

GraphWindow::GraphWindow(const QString& argument, QWidget* parent)
    : GraphWindow(argument, ExclusionStore(ExclusionStore::defaultSettingsPath()), parent)
{
}

GraphWindow::GraphWindow(const QString& argument, ExclusionStore exclusions, QWidget* parent)
    : QMainWindow(parent), m_exclusions(std::move(exclusions))
{
    setWindowTitle(QStringLiteral("クエルマーク グラフ"));
    m_plot = new GraphPlot(m_model);
    // Beside the main window on a 1366 × 768 laptop: neither the plot nor
    // the texts below it may ask for more than that leaves.
    m_plot->setMinimumSize(420, 300);

    m_fitChooser = new QComboBox;
    m_fitChooser->setObjectName(QStringLiteral("fitChooser"));
    m_fitChooser->setAccessibleName(QStringLiteral("当てはめ"));
    m_fitChooser->addItems({QStringLiteral("なし"), QStringLiteral("直線"),
                            QStringLiteral("冷却・加温 (Newton)"), QStringLiteral("周期")});
    m_halfSwing =
        new QCheckBox(QStringLiteral("周期: 半周期ごとに押した（周期はラップの 2 倍）(&H)"));
    m_halfSwing->setObjectName(QStringLiteral("halfSwing"));
    m_halfSwing->setChecked(graphSettings().value(halfSwingKey(), false).toBool());
    auto* clearRange = new QPushButton(QStringLiteral("範囲を解除"));
    clearRange->setObjectName(QStringLiteral("clearRange"));
    auto* rangeHint =
        new QLabel(QStringLiteral("グラフ上をドラッグすると、その時間範囲だけを当てはめます"));
    m_fitResult = resultLabel(QStringLiteral("fitResult"));
    m_lapResult = resultLabel(QStringLiteral("lapResult"));

    auto* chooserRow = new QHBoxLayout;
    auto* fitLabel = new QLabel(QStringLiteral("当てはめ:"));
    fitLabel->setBuddy(m_fitChooser);
    chooserRow->addWidget(fitLabel);
    chooserRow->addWidget(m_fitChooser, 1);
    // Leaving readings out: a click on a point, or the reading chosen here.
    m_readingChooser = new QSpinBox;
    m_readingChooser->setObjectName(QStringLiteral("readingChooser"));
    m_readingChooser->setAccessibleName(QStringLiteral("除外する測定回"));
    m_readingChooser->setRange(0, 0);
    m_toggleReading = new QPushButton(QStringLiteral("この点を除外(&E)"));
    m_toggleReading->setObjectName(QStringLiteral("toggleReading"));
    m_readingInfo = new QLabel;
    m_readingInfo->setObjectName(QStringLiteral("readingInfo"));
    auto* restoreAll = new QPushButton(QStringLiteral("すべて戻す"));
    restoreAll->setObjectName(QStringLiteral("restoreAll"));
    auto* readingRow = new QHBoxLayout;
    auto* readingLabel = new QLabel(QStringLiteral("測定回(&N):"));
    readingLabel->setBuddy(m_readingChooser);
    readingRow->addWidget(readingLabel);
    readingRow->addWidget(m_readingChooser, 1);
    readingRow->addWidget(m_toggleReading);
    readingRow->addWidget(restoreAll);
    auto* excludeHint = new QLabel(
        QStringLiteral("点をクリックで除外、もう一度で戻す（データファイルは変わらない）"));
    for (QLabel* hint : {rangeHint, excludeHint})
        wrapWithin(hint, HintWidth);

    auto* controls = new QVBoxLayout;
    controls->addLayout(chooserRow);
    controls->addWidget(m_halfSwing);
    controls->addWidget(clearRange);
    controls->addWidget(rangeHint);
    controls->addLayout(readingRow);
    controls->addWidget(m_readingInfo);
    controls->addWidget(excludeHint);
    controls->addStretch();
    const int lineHeight = m_fitResult->fontMetrics().lineSpacing();
    m_fitResult->setMinimumHeight(lineHeight * FitResultLines);
    m_lapResult->setMinimumHeight(lineHeight * LapResultLines);
    wrapWithin(m_fitResult, FitResultWidth);
    wrapWithin(m_lapResult, LapResultWidth);
    auto* results = new QHBoxLayout;
    results->setAlignment(Qt::AlignTop);
    results->addLayout(controls, 1);
    results->addWidget(m_fitResult, 2);
    results->addWidget(m_lapResult, 1);
    auto* resultsPanel = new QWidget;
    resultsPanel->setLayout(results);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_plot);
    splitter->addWidget(resultsPanel);
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("followStatus"));
    m_status->setAccessibleName(QStringLiteral("状態"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Paths and a file's texts are shown as they are, never as markup.
    m_status->setTextFormat(Qt::PlainText);
    // One line, cut at the window's edge, and whole as its tooltip: a long
    // path neither widens the window nor, wrapped, moves its controls.
    m_status->setMinimumWidth(HintWidth);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_status, 1);

    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(QStringLiteral("開く(&O)…"), QKeySequence::Open, this,
                    &GraphWindow::openFileDialog);
    m_recentMenu = file->addMenu(QStringLiteral("最近のファイル(&R)"));
    file->addSeparator();
    file->addAction(QStringLiteral("図・結果のページ・測定値を保存(&S)…"), QKeySequence::Save, this,
                    &GraphWindow::exportFigureDialog);
    file->addAction(QStringLiteral("コピー(&C)"), QKeySequence::Copy, this,
                    &GraphWindow::copySelectionOrFigure);
    file->addAction(QStringLiteral("結果をテキストで保存(&T)…"), this,
                    &GraphWindow::exportResultsDialog);
    QAction* fitLabelAction = file->addAction(QStringLiteral("図に当てはめの式と値を入れる(&L)"));
    fitLabelAction->setCheckable(true);
    fitLabelAction->setChecked(graphSettings().value(fitLabelKey(), true).toBool());
    connect(fitLabelAction, &QAction::toggled, this,
            [](bool on) { graphSettings().setValue(fitLabelKey(), on); });
    file->addSeparator();
    file->addAction(QStringLiteral("終了(&X)"), QKeySequence::Quit, this, &QWidget::close);
    rebuildRecentMenu();
    QMenu* readings = menuBar()->addMenu(QStringLiteral("測定値(&M)"));
    readings->addAction(QStringLiteral("選んだ測定回を除外・戻す(&E)"), this,
                        [this] { toggleReading(m_readingChooser->value()); });
    m_restoreAll = readings->addAction(QStringLiteral("すべて戻す(&A)"),
                                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), this,
                                       &GraphWindow::restoreAllReadings);
    connect(restoreAll, &QPushButton::clicked, m_restoreAll, &QAction::trigger);
    connect(m_restoreAll, &QAction::enabledChanged, restoreAll, &QWidget::setEnabled);

    m_source = new LiveSource(this);
    connect(m_source, &LiveSource::folderChanged, this, &GraphWindow::pollNow);
    connect(m_source, &LiveSource::fileChanged, this, &GraphWindow::pollFile);
    m_resultsTimer = new QTimer(this);
    m_resultsTimer->setSingleShot(true);
    m_resultsTimer->setInterval(ResultsMs);
    connect(m_resultsTimer, &QTimer::timeout, this, &GraphWindow::refreshResults);

    connect(m_fitChooser, &QComboBox::currentIndexChanged, this, &GraphWindow::refreshResults);
    connect(m_halfSwing, &QCheckBox::toggled, this, [this](bool on) {
        graphSettings().setValue(halfSwingKey(), on);
        refreshResults();
    });
    connect(m_readingChooser, &QSpinBox::valueChanged, this, [this](int number) {
        m_plot->setHighlightedReading(number);
        showChosenReading();
        m_plot->refresh();
    });
    connect(m_toggleReading, &QPushButton::clicked, this,
            [this] { toggleReading(m_readingChooser->value()); });
    connect(m_plot, &GraphPlot::readingClicked, this, [this](int number) {
        m_readingChooser->setValue(number);
        toggleReading(number);
    });
    connect(clearRange, &QPushButton::clicked, this, [this] {
        m_range.reset();
        refreshResults();
    });
    connect(m_plot, &GraphPlot::rangeDragged, this, [this](double from, double to) {
        m_range = std::make_pair(from, to);
        refreshResults();
    });
    const bool trace = qEnvironmentVariableIsSet("QUELLMARK_GRAPH_TRACE");
    connect(m_plot, &QCustomPlot::afterReplot, this, [this, trace] {
        if (!m_repaintPending)
            return;
        m_repaintPending = false;
        if (trace) {
            // The steady clock, as the writer's side reads it, for the latency
            // from a row's write to its repaint.
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
            std::fprintf(stderr, "quellmark-graph: repainted %lld ns readings %d\n",
                         static_cast<long long>(ns), m_plot->readingCount());
        }
        emit readingsShown(m_plot->readingCount());
    });

    const QFileInfo info(argument);
    if (argument.isEmpty())
        followFolder(QDir(QDir::current().filePath(QStringLiteral("DATA"))));
    else if (info.isDir())
        followFolder(QDir(argument));
    else
        followFile(argument);
    restoreSession();
    // Entries of files long gone: looked at once a start, after the window is up.
    QTimer::singleShot(0, this, [this] { m_exclusions.prune(); });
}

GraphWindow::~GraphWindow() = default;

void GraphWindow::followFile(const QString& path)
{
    m_folder.reset();
    m_source->setFolder(m_folder);
    startFollowing(path);
}

void GraphWindow::followFolder(const QDir& folder)
{
    m_folder = folder;
    m_source->setFolder(m_folder);
    m_follower.reset();
    startFollowing(newestDataFile(folder));
}

void GraphWindow::startFollowing(const QString& path)
{
    m_model.clear();
    m_plot->showReadings();
    m_plot->showPending();
    m_range.reset();
    m_event.clear();
    m_unshown = false;
    m_follower.reset();
    m_identity.clear();
    m_firstRows.clear();
    m_source->setFile(path);
    const QString title = QStringLiteral("クエルマーク グラフ");
    setWindowTitle(path.isEmpty() ? title
                                  : QFileInfo(path).fileName() + QStringLiteral(" — ") + title);
    if (!path.isEmpty()) {
        m_follower = std::make_unique<DataFileFollower>(path);
        rememberRecent(path);
    }
    pollNow();
    refreshResults();
}

void GraphWindow::pollNow()
{
    if (m_folder) {
        const QString newest = newestDataFile(*m_folder);
        if (!newest.isEmpty() && (!m_follower || m_follower->path() != newest)) {
            startFollowing(newest); // a new measurement has begun
            return;
        }
    }
    pollFile();
}

void GraphWindow::pollFile()
{
    if (!m_follower) {
        showStatus();
        return;
    }
    bool changed = false;
    bool added = false;
    DataFileFollower::Update update;
    do {
        update = m_follower->poll(PollBytes);
        if (update.restarted) {
            m_model.clear();
            m_plot->showReadings();
            m_identity.clear();
            m_firstRows.clear();
            showLapStatistics();
            m_event = QStringLiteral("ファイルが置き換えられたため、最初から読み直しました");
            changed = true;
        }
        if (!update.rows.isEmpty()) {
            const DataFileParser& parser = m_follower->parser();
            restoreExclusions(update.rows);
            m_model.append(update.rows, parser.valueTitle(), parser.subjectLines());
            update.rows = {};
            added = true;
        }
    } while (update.more);
    m_source->fileOpened(!update.missing && update.openError.isEmpty());
    if (update.lineWaiting)
        m_source->pollAgainIn(int(DataFileFollower::QuietMs) + 10);
    const QString missing = QStringLiteral("ファイルがありません");
    const QString unopened = QStringLiteral("ファイルを開けません");
    if (update.missing)
        m_event = missing + QStringLiteral("（削除されたか、まだ作られていません）");
    else if (!update.openError.isEmpty())
        m_event = unopened + QStringLiteral("（%1）").arg(update.openError);
    else if (m_event.startsWith(missing) || m_event.startsWith(unopened))
        m_event.clear();
    if (added) {
        m_plot->showReadings();
        changed = true;
        // The statistics are quick: they change in the repaint that shows the laps.
        showLapStatistics();
    }
    std::optional<ReadRow> pending = m_follower->pendingReading();
    if (!samePending(pending, m_model.pending())) {
        m_model.setPending(std::move(pending));
        m_plot->showPending();
        changed = true;
    }
    // The main program appends a row, then replaces the sidecar with the
    // next one: a repaint in between would drop the provisional point for a
    // moment. One repaint shows both.
    m_unshown = m_unshown || changed;
    if (m_unshown && !m_source->waitForSidecar(m_follower->sidecarBehind())) {
        m_unshown = false;
        m_repaintPending = true;
        m_plot->refresh();
        if (!m_resultsTimer->isActive())
            m_resultsTimer->start();
    }
    showStatus();
}

void GraphWindow::refreshResults()
{
    const auto choice = FitChoice(m_fitChooser->currentIndex());
    m_halfSwing->setEnabled(choice == FitChoice::Period);
    // The last fit's residuals go first: at a million readings they are
    // memory the new fit's workspace needs.
    m_results = {};
    m_plot->showResults(m_results);
    m_results = computeResults(m_model, {choice, m_halfSwing->isChecked(), m_range});
    m_plot->showResults(m_results);
    m_plot->showFitRange(m_range);
    // Drawn now: only the plot needs them.
    m_results.residualT = {};
    m_results.residual = {};
    QString text = choice == FitChoice::None ? QStringLiteral("当てはめ: なし") : m_results.fitText;
    if (m_range && choice != FitChoice::None)
        text += QStringLiteral("\n範囲: %1 〜 %2 秒")
                    .arg(QString::number(m_range->first, 'f', 2),
                         QString::number(m_range->second, 'f', 2));
    if (const QString leftOut = leftOutText(m_model.rejectedReadings(), m_model.excludedReadings());
        !leftOut.isEmpty())
        text += QStringLiteral("\n\n") + leftOut;
    m_fitResult->setText(text);
    showLapStatistics();
    showChosenReading();
    m_plot->refresh();
}

void GraphWindow::showLapStatistics()
{
    // Rows come between two fits: the laps, quick to count, are kept up to
    // date for the label, the plot and the exports alike.
    m_results.laps = lapStatisticsOf(m_model);
    m_results.lapText = lapStatisticsText(m_results.laps);
    m_lapResult->setText(m_results.lapText);
    const analysis::LapStatistics& laps = m_results.laps;
    m_plot->showLapMean(laps.count > 0 ? std::optional(laps.mean) : std::nullopt);
}

FigureOptions GraphWindow::figureOptions() const
{
    return {.fitLabel = graphSettings().value(fitLabelKey(), true).toBool()};
}

void GraphWindow::showStatus()
{
    QStringList parts;
    if (!m_follower) {
        parts << QStringLiteral("%1 にデータファイルはまだありません。測定が始まるのを待っています")
                     .arg(QDir::toNativeSeparators(m_folder ? m_folder->path() : QString()));
    } else {
        const DataFileParser& parser = m_follower->parser();
        // The provisional point counts: BackSpace on it shows at once.
        const std::optional<ReadRow>& pending = m_model.pending();
        const bool provisional = pending && pending->kind == RowKind::Data;
        const bool provisionalNg = provisional && pending->rejected;
        parts << QStringLiteral("%1: %2 測定（NG %3）")
                     .arg(QDir::toNativeSeparators(m_follower->path()))
                     .arg(m_model.readingCount() + (provisional ? 1 : 0))
                     .arg(m_model.rejectedCount() + (provisionalNg ? 1 : 0));
        if (const std::size_t excluded = m_model.excludedReadings().size(); excluded > 0)
            parts << QStringLiteral("除外 %1 点（データファイルは変わりません）").arg(excluded);
        if (provisional)
            parts << QStringLiteral("測定回 %1%2 はまだファイルに書かれていない仮の点です")
                         .arg(pending->number, 3, 10, QLatin1Char('0'))
                         .arg(provisionalNg ? QStringLiteral("（NG）") : QString());
        if (!m_event.isEmpty())
            parts << m_event;
        if (!m_exclusionError.isEmpty())
            parts << m_exclusionError;
        const auto& problem = parser.firstProblem();
        if (parser.linesRead() > 0 && !parser.looksLikeDataFile())
            parts << (problem ? QStringLiteral("データファイルではありません（%1 行目: %2）")
                                    .arg(problem->line)
                                    .arg(problem->reason)
                              : QStringLiteral("データファイルではありません"));
        else if (problem)
            parts << unreadLinesText(*problem, parser.unreadLines());
    }
    const QString text = parts.join(QStringLiteral("　"));
    if (m_status->text() != text) {
        m_status->setText(text);
        m_status->setToolTip(plainToolTip(text));
    }
}

void GraphWindow::chooseFit(FitChoice choice, bool pressPerHalfSwing)
{
    if (choice == FitChoice::Period)
        m_halfSwing->setChecked(pressPerHalfSwing);
    if (choice != FitChoice::None)
        m_fitChooser->setCurrentIndex(int(choice));
}
