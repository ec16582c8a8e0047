#pragma once

#include "datafile/DataFileReader.h"
#include "readings/ExclusionStore.h"
#include "readings/MeasurementModel.h"
#include "readings/Results.h"

#include <QDir>
#include <QMainWindow>

#include <memory>
#include <optional>

struct FigureOptions;
class GraphPlot;
class LiveSource;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QTimer;

// The companion's window: follows one data file, or the newest one in a
// folder, and shows what reaches it within a poll. Rows go into the model;
// the results are computed from the model; the plot and the labels show
// both.
class GraphWindow : public QMainWindow
{
    Q_OBJECT
public:
    // `argument`: a data file, a folder, or empty for DATA below the current folder.
    explicit GraphWindow(const QString& argument, QWidget* parent = nullptr);
    // `exclusions`: where the readings left out are kept, per data file.
    GraphWindow(const QString& argument, ExclusionStore exclusions, QWidget* parent = nullptr);
    ~GraphWindow() override;

    GraphPlot* plot() const { return m_plot; }
    const MeasurementModel& model() const { return m_model; }

    // The fit as the command line names it; none leaves the chooser as it is.
    void chooseFit(FitChoice choice, bool pressPerHalfSwing);

    // Writes the figure (.png, .svg, .pdf), the results page (.html), the
    // workbook (.xlsx, in builds that have its writer) or the readings
    // (.csv), with the readings left out and the fit as they are now; never
    // over a data file. On failure returns false with a message in Japanese.
    bool exportTo(const QString& path, QString* error);

public slots:
    // Looks for a newer file in the followed folder and reads what was
    // appended since the last poll (change notifications and a slow timer
    // call it).
    void pollNow();
    // Fits and statistics again, over what is shown now.
    void refreshResults();

    void followFile(const QString& path);
    void followFolder(const QDir& folder);

    // Leaves a reading out of every fit and statistic, or takes it back.
    // NG readings are out already and stay as they are.
    void toggleReading(int number);
    // Takes every reading left out back.
    void restoreAllReadings();

protected:
    void closeEvent(QCloseEvent* event) override;

signals:
    // After each repaint that showed new rows, with the readings shown.
    void readingsShown(int readings);

private:
    void startFollowing(const QString& path);
    void pollFile();
    void showStatus();
    void rebuildRecentMenu();
    void rememberRecent(const QString& path);
    // Size, place and fit as the window was last closed with.
    void restoreSession();
    void openFileDialog();
    void exportFigureDialog();
    // Ctrl+C: the result text selected, or else the figure.
    void copySelectionOrFigure();
    void showLapStatistics();
    FigureOptions figureOptions() const;
    void exportResultsDialog();
    // Finds the measurement's identity in its first rows, and with it the
    // readings left out the last time.
    void restoreExclusions(const QList<ReadRow>& rows);
    void showChosenReading();
    // After the readings left out were written down, or failed to be.
    void noteExclusionsSaved(bool saved);
    // The files an export must never replace: the one followed.
    QStringList protectedFiles() const;

    MeasurementModel m_model;
    Results m_results; // as shown, for the exports
    MeasurementModel::Range m_range;
    GraphPlot* m_plot;
    QComboBox* m_fitChooser;
    QCheckBox* m_halfSwing;
    QSpinBox* m_readingChooser;
    QPushButton* m_toggleReading;
    QLabel* m_readingInfo;
    QAction* m_restoreAll;
    QLabel* m_fitResult;
    QLabel* m_lapResult;
    QLabel* m_status;
    QMenu* m_recentMenu;
    QTimer* m_resultsTimer;
    LiveSource* m_source;
    std::optional<QDir> m_folder; // followed folder, when following the newest file
    std::unique_ptr<DataFileFollower> m_follower;
    QString m_event; // the latest thing that happened to the file, for the status line
    ExclusionStore m_exclusions;
    QString m_exclusionError;   // why the last choice could not be kept, naming its file
    QByteArray m_identity;      // of the measurement followed, once its first rows are read
    QList<ReadRow> m_firstRows; // its header and subject rows until then
    bool m_repaintPending = false;
    bool m_unshown = false; // rows added that wait for the sidecar before a repaint
};
