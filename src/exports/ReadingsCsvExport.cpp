#include "exports/ReadingsCsvExport.h"

#include "exports/ExportTarget.h"
#include "exports/SafeText.h"

#include <QLocale>

#include <cmath>

namespace
{

// The shortest text that reads back as the same double; nothing for a value
// the file did not hold as a number.
QString csvNumber(double value)
{
    if (!std::isfinite(value))
        return {};
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QByteArray readingsCsv(const QList<Reading>& readings, const QString& valueTitle,
                       const PressMarks& marks, const QHash<int, QStringList>& changesAfter)
{
    const QString value = valueTitle.trimmed().isEmpty() ? QStringLiteral("値") : valueTitle;
    QString text = QStringLiteral("番号,経過時間 (秒),ラップ (秒),") + csvTextField(value) +
                   QStringLiteral(",備考\r\n");
    for (const Reading& r : readings) {
        text += QString::number(r.number) + u',' + csvNumber(r.elapsed) + u',' + csvNumber(r.lap) +
                u',' + csvNumber(r.value) + u',';
        QStringList remark{tableRemark(r, marks)};
        remark += changesAfter.value(r.number);
        remark.removeAll(QString());
        text += csvTextField(remark.join(u'、')) + QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

bool writeReadingsCsv(const QString& path, const QList<Reading>& readings,
                      const QString& valueTitle, QString* error, const QStringList& protectedFiles,
                      const PressMarks& marks, const QHash<int, QStringList>& changesAfter)
{
    if (const auto failed = writeExportBytes(
            path, protectedFiles, readingsCsv(readings, valueTitle, marks, changesAfter))) {
        *error = failed->message;
        return false;
    }
    return true;
}
