#include "graph/ReadingsCsvExport.h"

#include "datafile/DataFileName.h"
#include "datafile/DataFileReader.h"

#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <cmath>

namespace
{

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// The shortest text that reads back as the same double; nothing for a value
// the file did not hold as a number.
QString csvNumber(double value)
{
    if (!std::isfinite(value))
        return {};
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QByteArray readingsCsv(const QList<ExportedReading>& readings, const QString& valueTitle)
{
    const QString value = valueTitle.trimmed().isEmpty() ? QStringLiteral("値") : valueTitle;
    QString text = QStringLiteral("番号,経過時間 (秒),ラップ (秒),") + csvField(value) +
                   QStringLiteral(",備考\r\n");
    for (const ExportedReading& r : readings) {
        text += QString::number(r.number) + u',' + csvNumber(r.elapsed) + u',' + csvNumber(r.lap) +
                u',' + csvNumber(r.value) + u',' + readingRemark(r) + QStringLiteral("\r\n");
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

bool isDataFileTarget(const QString& path)
{
    const QFileInfo info(path);
    if (isDataFileName(info.fileName()))
        return true;
    return info.exists() && readDataFile(path).looksLikeDataFile;
}

bool writeReadingsCsv(const QString& path, const QList<ExportedReading>& readings,
                      const QString& valueTitle, QString* error)
{
    if (isDataFileTarget(path)) {
        *error =
            QStringLiteral("データファイルには書きません。別の名前にしてください: %1").arg(path);
        return false;
    }
    const QByteArray bytes = readingsCsv(readings, valueTitle);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("CSV を保存できません: %1").arg(path);
        return false;
    }
    return true;
}
