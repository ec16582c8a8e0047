#include "graph/GraphWindow.h"

#include "analysis/LapStatistics.h"
#include "graph/FigureExport.h"
#include "graph/GraphPlot.h"
#include "graph/GraphReport.h"
#include "graph/LiveSource.h"
#include "graph/ResultText.h"
#include "graph/SvgFigure.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>

namespace
{

// Fits at 100 000 points take tens of milliseconds: redone at most this
// often while rows arrive, so that following stays fast.
constexpr int ResultsMs = 300;
constexpr int RecentFiles = 8;

QString recentKey()
{
    return QStringLiteral("recentFiles");
}

QString fitLabelKey()
{
    return QStringLiteral("figure/fitLabel");
}

QSettings settings()
{
    return QSettings(QStringLiteral("Quellmark"), QStringLiteral("quellmark-graph"));
}

// Room for the longest result text, held from the start: a label that grew
// when its first result came would push the controls beside it away under
// the pointer.
constexpr int FitResultLines = 12;
constexpr int LapResultLines = 6;

QLabel* resultLabel(const QString& name)
{
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setAccessibleName(name == QStringLiteral("fitResult") ? QStringLiteral("当てはめの結果")
                                                                 : QStringLiteral("ラップの統計"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
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

GraphWindow::GraphWindow(const QString& argument, QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("クエルマーク グラフ"));
    m_plot = new GraphPlot;
    m_plot->setMinimumSize(600, 400);

    m_fitChooser = new QComboBox;
    m_fitChooser->setObjectName(QStringLiteral("fitChooser"));
    m_fitChooser->setAccessibleName(QStringLiteral("当てはめ"));
    m_fitChooser->addItems(
        {QStringLiteral("なし"), QStringLiteral("直線"), QStringLiteral("冷却・加温 (Newton)")});
    auto* clearRange = new QPushButton(QStringLiteral("範囲を解除"));
    clearRange->setObjectName(QStringLiteral("clearRange"));
    auto* rangeHint =
        new QLabel(QStringLiteral("グラフ上をドラッグすると、その時間範囲だけを当てはめます"));
    rangeHint->setWordWrap(true);
    m_fitResult = resultLabel(QStringLiteral("fitResult"));
    m_lapResult = resultLabel(QStringLiteral("lapResult"));

    auto* chooserRow = new QHBoxLayout;
    auto* fitLabel = new QLabel(QStringLiteral("当てはめ:"));
    fitLabel->setBuddy(m_fitChooser);
    chooserRow->addWidget(fitLabel);
    chooserRow->addWidget(m_fitChooser, 1);
    auto* controls = new QVBoxLayout;
    controls->addLayout(chooserRow);
    controls->addWidget(clearRange);
    controls->addWidget(rangeHint);
    controls->addStretch();
    const int lineHeight = m_fitResult->fontMetrics().lineSpacing();
    m_fitResult->setMinimumHeight(lineHeight * FitResultLines);
    m_lapResult->setMinimumHeight(lineHeight * LapResultLines);
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
    statusBar()->addWidget(m_status, 1);

    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(QStringLiteral("開く(&O)…"), QKeySequence::Open, this,
                    &GraphWindow::openFileDialog);
    m_recentMenu = file->addMenu(QStringLiteral("最近のファイル(&R)"));
    file->addSeparator();
    file->addAction(QStringLiteral("図を保存(&S)…"), QKeySequence::Save, this,
                    &GraphWindow::exportFigureDialog);
    file->addAction(QStringLiteral("コピー(&C)"), QKeySequence::Copy, this,
                    &GraphWindow::copySelectionOrFigure);
    file->addAction(QStringLiteral("結果をテキストで保存(&T)…"), this,
                    &GraphWindow::exportResultsDialog);
    QAction* fitLabelAction = file->addAction(QStringLiteral("図に当てはめの式と値を入れる(&L)"));
    fitLabelAction->setCheckable(true);
    fitLabelAction->setChecked(settings().value(fitLabelKey(), true).toBool());
    connect(fitLabelAction, &QAction::toggled, this,
            [](bool on) { settings().setValue(fitLabelKey(), on); });
    file->addSeparator();
    file->addAction(QStringLiteral("終了(&X)"), QKeySequence::Quit, this, &QWidget::close);
    rebuildRecentMenu();

    m_source = new LiveSource(this);
    connect(m_source, &LiveSource::folderChanged, this, &GraphWindow::pollNow);
    connect(m_source, &LiveSource::fileChanged, this, &GraphWindow::pollFile);
    m_resultsTimer = new QTimer(this);
    m_resultsTimer->setSingleShot(true);
    m_resultsTimer->setInterval(ResultsMs);
    connect(m_resultsTimer, &QTimer::timeout, this, &GraphWindow::refreshResults);

    connect(m_fitChooser, &QComboBox::currentIndexChanged, this, &GraphWindow::refreshResults);
    connect(clearRange, &QPushButton::clicked, this, [this] {
        m_plot->setFitRange(std::nullopt);
        refreshResults();
    });
    connect(m_plot, &GraphPlot::rangeDragged, this, [this](double from, double to) {
        m_plot->setFitRange(std::make_pair(from, to));
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
    resize(1100, 850);
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
    m_plot->clearReadings();
    m_plot->setFitRange(std::nullopt);
    m_pending.reset();
    m_event.clear();
    m_unshown = false;
    m_follower.reset();
    m_source->setFile(path);
    const QString title = QStringLiteral("クエルマーク グラフ");
    setWindowTitle(path.isEmpty() ? title
                                  : QFileInfo(path).fileName() + QStringLiteral(" — ") + title);
    if (!path.isEmpty()) {
        m_follower = std::make_unique<DataFileFollower>(path);
        QSettings s = settings();
        QStringList recent = s.value(recentKey()).toStringList();
        const QString absolute = QFileInfo(path).absoluteFilePath();
        recent.removeAll(absolute);
        recent.prepend(absolute);
        s.setValue(recentKey(), recent.mid(0, RecentFiles));
        rebuildRecentMenu();
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
    const DataFileFollower::Update update = m_follower->poll();
    m_source->fileOpened(!update.missing && update.openError.isEmpty());
    if (update.lineWaiting)
        m_source->pollAgainIn(int(DataFileFollower::QuietMs) + 10);
    bool changed = false;
    if (update.restarted) {
        m_plot->clearReadings();
        showLapStatistics();
        m_event = QStringLiteral("ファイルが置き換えられたため、最初から読み直しました");
        changed = true;
    }
    const QString missing = QStringLiteral("ファイルがありません");
    const QString unopened = QStringLiteral("ファイルを開けません");
    if (update.missing)
        m_event = missing + QStringLiteral("（削除されたか、まだ作られていません）");
    else if (!update.openError.isEmpty())
        m_event = unopened + QStringLiteral("（%1）").arg(update.openError);
    else if (m_event.startsWith(missing) || m_event.startsWith(unopened))
        m_event.clear();
    if (!update.rows.isEmpty()) {
        const DataFileParser& parser = m_follower->parser();
        m_plot->appendRows(update.rows, parser.valueTitle(), parser.subjectLines());
        changed = true;
        // The statistics are quick: they change in the repaint that shows the laps.
        showLapStatistics();
    }
    const std::optional<ReadRow> pending = m_follower->pendingReading();
    if (!samePending(pending, m_pending)) {
        m_pending = pending;
        m_plot->setPendingReading(pending);
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
    const int choice = m_fitChooser->currentIndex();
    if (choice <= 0) {
        m_fitResult->setText(QStringLiteral("当てはめ: なし"));
        m_plot->showFit(nullptr, {});
    } else {
        // The last fit's residuals go first: at a million readings they are
        // memory the new fit's workspace needs.
        m_plot->showFit(nullptr, {});
        const GraphPlot::Points points = m_plot->validPoints();
        const analysis::FitResult fit = fitModel(
            choice == 1 ? analysis::Model::Linear : analysis::Model::Cooling, points.t, points.y);
        QString text = fitResultText(fit, m_plot->valueUnit());
        if (const auto range = m_plot->fitRange())
            text += QStringLiteral("\n範囲: %1 〜 %2 秒")
                        .arg(QString::number(range->first, 'f', 2),
                             QString::number(range->second, 'f', 2));
        m_fitResult->setText(text);
        m_plot->showFit(&fit, points);
    }
    showLapStatistics();
    m_plot->refresh();
}

void GraphWindow::showLapStatistics()
{
    const std::vector<double> laps = m_plot->laps();
    m_lapResult->setText(lapStatisticsText(analysis::lapStatistics(laps)));
}

FigureOptions GraphWindow::figureOptions() const
{
    return {.fitLabel = settings().value(fitLabelKey(), true).toBool()};
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
        const bool provisional = m_pending && m_pending->kind == RowKind::Data;
        const bool provisionalNg = provisional && m_pending->rejected;
        parts << QStringLiteral("%1: %2 測定（NG %3）")
                     .arg(QDir::toNativeSeparators(m_follower->path()))
                     .arg(m_plot->readingCount() + (provisional ? 1 : 0))
                     .arg(m_plot->rejectedCount() + (provisionalNg ? 1 : 0));
        if (provisional)
            parts << QStringLiteral("測定回 %1%2 はまだファイルに書かれていない仮の点です")
                         .arg(m_pending->number, 3, 10, QLatin1Char('0'))
                         .arg(provisionalNg ? QStringLiteral("（NG）") : QString());
        if (!m_event.isEmpty())
            parts << m_event;
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
    if (m_status->text() != text)
        m_status->setText(text);
}

void GraphWindow::rebuildRecentMenu()
{
    m_recentMenu->clear();
    const QStringList recent = settings().value(recentKey()).toStringList();
    for (const QString& path : recent) {
        m_recentMenu->addAction(QDir::toNativeSeparators(path), this,
                                [this, path] { followFile(path); });
    }
    m_recentMenu->setEnabled(!recent.isEmpty());
}

void GraphWindow::openFileDialog()
{
    const QString start = m_follower ? QFileInfo(m_follower->path()).absolutePath() : QString();
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("データファイルを開く"), start,
        QStringLiteral("データファイル (*.csv);;すべてのファイル (*)"));
    if (!path.isEmpty())
        followFile(path);
}

void GraphWindow::exportFigureDialog()
{
    QString selected;
    QString path = QFileDialog::getSaveFileName(
        this,
        svgFigureAvailable() ? QStringLiteral("図を保存")
                             : QStringLiteral("図を保存 (この版は SVG なし: PNG か PDF)"),
        QString(),
        svgFigureAvailable() ? QStringLiteral("PNG 画像 (*.png);;SVG 画像 (*.svg);;PDF (*.pdf)")
                             : QStringLiteral("PNG 画像 (*.png);;PDF (*.pdf)"),
        &selected);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += selected.contains(QStringLiteral("svg"))   ? QStringLiteral(".svg")
                : selected.contains(QStringLiteral("pdf")) ? QStringLiteral(".pdf")
                                                           : QStringLiteral(".png");
    QString error;
    if (!exportFigure(*m_plot, path, figureOptions(), &error))
        QMessageBox::warning(this, windowTitle(), error);
}

void GraphWindow::copySelectionOrFigure()
{
    for (const QLabel* label : {m_fitResult, m_lapResult}) {
        if (label->hasSelectedText()) {
            QApplication::clipboard()->setText(label->selectedText());
            return;
        }
    }
    QApplication::clipboard()->setPixmap(figurePixmap(*m_plot, figureOptions()));
}

void GraphWindow::exportResultsDialog()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("結果をテキストで保存"),
                                                QString(), QStringLiteral("テキスト (*.txt)"));
    if (path.isEmpty())
        return;
    // The companion never writes a data file, not even by a slip in the dialog.
    if (QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0 ||
        (m_follower && QFileInfo(path) == QFileInfo(m_follower->path()))) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("データファイルには書き込みません: %1").arg(path));
        return;
    }
    QString text;
    if (m_follower)
        text += QDir::toNativeSeparators(m_follower->path()) + u'\n';
    text += m_fitResult->text() + QStringLiteral("\n\n") + m_lapResult->text() + u'\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text.toUtf8()) < 0 ||
        !file.commit())
        QMessageBox::warning(
            this, windowTitle(),
            QStringLiteral("保存できません: %1（%2）").arg(path, file.errorString()));
}
