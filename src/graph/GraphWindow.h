#pragma once

#include "datafile/DataFileReader.h"

#include <QDir>
#include <QMainWindow>

#include <memory>
#include <optional>

struct FigureOptions;
class GraphPlot;
class LiveSource;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;

// The companion's window: follows one data file, or the newest one in a
// folder, and shows what reaches it within a poll.
class GraphWindow : public QMainWindow
{
    Q_OBJECT
public:
    // `argument`: a data file, a folder, or empty for DATA below the current folder.
    explicit GraphWindow(const QString& argument, QWidget* parent = nullptr);
    ~GraphWindow() override;

    GraphPlot* plot() const { return m_plot; }

public slots:
    // Looks for a newer file in the followed folder and reads what was
    // appended since the last poll (change notifications and a slow timer
    // call it).
    void pollNow();
    // Fits and statistics again, over what is shown now.
    void refreshResults();

    void followFile(const QString& path);
    void followFolder(const QDir& folder);

signals:
    // After each repaint that showed new rows, with the readings shown.
    void readingsShown(int readings);

private:
    void startFollowing(const QString& path);
    void pollFile();
    void showStatus();
    void rebuildRecentMenu();
    void openFileDialog();
    void exportFigureDialog();
    // Ctrl+C: the result text selected, or else the figure.
    void copySelectionOrFigure();
    void showLapStatistics();
    FigureOptions figureOptions() const;
    void exportResultsDialog();

    GraphPlot* m_plot;
    QComboBox* m_fitChooser;
    QLabel* m_fitResult;
    QLabel* m_lapResult;
    QLabel* m_status;
    QMenu* m_recentMenu;
    QTimer* m_resultsTimer;
    LiveSource* m_source;
    std::optional<QDir> m_folder; // followed folder, when following the newest file
    std::unique_ptr<DataFileFollower> m_follower;
    QString m_event; // the latest thing that happened to the file, for the status line
    std::optional<ReadRow> m_pending;
    bool m_repaintPending = false;
    bool m_unshown = false; // rows added that wait for the sidecar before a repaint
};
