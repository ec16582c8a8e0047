#include "exports/ExportFormats.h"

#include "exports/ReadingsCsvExport.h"
#include "exports/XlsxExport.h"

#include <QFileInfo>

std::optional<ExportFormat> exportFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("png"))
        return ExportFormat::Png;
    if (suffix == QStringLiteral("svg"))
        return ExportFormat::Svg;
    if (suffix == QStringLiteral("pdf"))
        return ExportFormat::Pdf;
    if (suffix == QStringLiteral("html") || suffix == QStringLiteral("htm"))
        return ExportFormat::Html;
    if (suffix == QStringLiteral("xlsx"))
        return ExportFormat::Xlsx;
    if (suffix == QStringLiteral("csv"))
        return ExportFormat::Csv;
    return std::nullopt;
}

bool exportFormatDraws(ExportFormat format)
{
    return format != ExportFormat::Xlsx && format != ExportFormat::Csv;
}

bool exportData(ExportFormat format, const QString& path, const ExportSource& source,
                QString* error)
{
    const MeasurementModel& model = source.model;
    if (format == ExportFormat::Csv) {
        const std::vector<MeasurementModel::SubjectChange>& changes = model.subjectChanges();
        const QStringList lines = subjectChangeLines(changes);
        QHash<int, QStringList> changesAfter;
        for (std::size_t i = 0; i < changes.size(); ++i)
            changesAfter[changes[i].afterReading] << lines[qsizetype(i)];
        return writeReadingsCsv(path, model.readings(), model.valueTitle(), error,
                                source.protectedFiles, pressMarks(source.results.goodPeriod()),
                                changesAfter);
    }
    XlsxBook book;
    book.subjectLines = model.initialSubjectLines();
    book.valueTitle = model.valueTitle();
    book.readings = model.readings();
    book.results = source.resultLines;
    book.fit = source.results.goodFit();
    book.period = source.results.goodPeriod();
    book.laps = source.results.laps;
    book.subjectChanges = subjectChangeLines(model.subjectChanges());
    book.marks = pressMarks(book.period);
    book.pressPerHalfSwing = source.results.request.pressPerHalfSwing;
    return writeXlsxBook(path, book, error, source.protectedFiles);
}
