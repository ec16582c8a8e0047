#include "graph/GraphWindow.h"

#include "exports/ExportFormats.h"
#include "exports/ExportTarget.h"
#include "exports/FigureExport.h"
#include "exports/SvgFigure.h"
#include "exports/XlsxExport.h"
#include "graph/DeviceFiles.h"
#include "graph/GraphPlot.h"
#include "graph/GraphSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

// The window's ways out: the save dialogs, the clipboard, and the export
// they all end in.

namespace
{

// Every format the save dialog offers, the first one the default: the one
// list of them. A new format adds its entry here and its writer in
// GraphWindow::exportTo.
struct SaveFormat {
    QString filter;
    QString suffix;
};

QList<SaveFormat> saveFormats()
{
    QList<SaveFormat> formats{{QStringLiteral("PNG 画像 (*.png)"), QStringLiteral("png")}};
    if (svgFigureAvailable())
        formats.append({QStringLiteral("SVG 画像 (*.svg)"), QStringLiteral("svg")});
    formats.append({QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf")});
    formats.append({QStringLiteral("結果のページ HTML (*.html)"), QStringLiteral("html")});
    if (xlsxExportAvailable())
        formats.append({QStringLiteral("結果のブック XLSX (*.xlsx)"), QStringLiteral("xlsx")});
    formats.append({QStringLiteral("測定値 CSV UTF-8 (*.csv)"), QStringLiteral("csv")});
    return formats;
}

const QString SaveFolderKey = QStringLiteral("save/folder");
const QString SaveFormatKey = QStringLiteral("save/format");

// Qt's own dialog: its texts are Japanese with Qt's translations, where a
// desktop's own dialog would speak the system's language.
QString askSavePath(QWidget* parent, const QString& title, const QStringList& filters,
                    const QString& folder, QString* selected)
{
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // After the option: its own widgets take no folder given before it.
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(*selected);
    // What this build cannot write is said where the formats are chosen.
    QStringList unwritable;
    for (const UnwritableFormat& format : unwritableFormats())
        unwritable << QStringLiteral("%1 では保存できません: %2").arg(format.name, format.reason);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()); grid && !unwritable.isEmpty()) {
        auto* note = new QLabel(unwritable.join(u'\n'), &dialog);
        note->setObjectName(QStringLiteral("unwritableFormats"));
        note->setWordWrap(true);
        grid->addWidget(note, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    *selected = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

QString startFolder(const QSettings& settings)
{
    const QString device = DeviceFiles::saveFolder();
    return device.isEmpty() ? settings.value(SaveFolderKey).toString() : device;
}

} // namespace

void GraphWindow::exportFigureDialog()
{
    const QList<SaveFormat> formats = saveFormats();
    QStringList filters;
    for (const SaveFormat& format : formats)
        filters << format.filter;
    QSettings settings = graphSettings();
    const QString lastSuffix = settings.value(SaveFormatKey).toString();
    QString selected = filters.first();
    for (const SaveFormat& format : formats) {
        if (format.suffix == lastSuffix)
            selected = format.filter;
    }
    QString path = askSavePath(this, QStringLiteral("図・結果のページ・測定値を保存"), filters,
                               startFolder(settings), &selected);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty()) {
        for (const SaveFormat& format : formats) {
            if (format.filter == selected)
                path += u'.' + format.suffix;
        }
    }
    settings.setValue(SaveFolderKey, QFileInfo(path).absolutePath());
    settings.setValue(SaveFormatKey, QFileInfo(path).suffix().toLower());
    QString error;
    if (exportTo(path, &error))
        DeviceFiles::handOut(path);
    else
        QMessageBox::warning(this, windowTitle(), error);
}

bool GraphWindow::exportTo(const QString& path, QString* error)
{
    const std::optional<ExportFormat> format = exportFormatOf(path);
    if (format && *format != ExportFormat::Png && *format != ExportFormat::Svg &&
        *format != ExportFormat::Pdf && !m_follower) {
        *error = QStringLiteral("まだデータファイルがありません");
        return false;
    }
    // The results as the window shows them, with the readings left out and
    // the fit as they are now.
    const ExportSource source{m_model, m_results,
                              (m_fitResult->text() + u'\n' + m_lapResult->text()).split(u'\n'),
                              protectedFiles()};
    return exportResults(path, source, *m_plot, figureOptions(), error);
}

QStringList GraphWindow::protectedFiles() const
{
    return m_follower ? QStringList{m_follower->path()} : QStringList();
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
    QString filter = QStringLiteral("テキスト (*.txt)");
    QSettings settings = graphSettings();
    const QString path = askSavePath(this, QStringLiteral("結果をテキストで保存"), {filter},
                                     startFolder(settings), &filter);
    if (path.isEmpty())
        return;
    // The companion never writes a data file, not even by a slip in the dialog.
    if (QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("データファイルには書き込みません: %1").arg(path));
        return;
    }
    QString text;
    if (m_follower)
        text += QDir::toNativeSeparators(m_follower->path()) + u'\n';
    text += m_fitResult->text() + QStringLiteral("\n\n") + m_lapResult->text() + u'\n';
    if (const auto failed = writeExportBytes(path, protectedFiles(), text.toUtf8()))
        QMessageBox::warning(this, windowTitle(), failed->message);
    else
        DeviceFiles::handOut(path);
}
