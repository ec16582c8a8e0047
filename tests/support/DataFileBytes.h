#pragma once

#include "datafile/Cp932Encoder.h"
#include "datafile/CsvRow.h"
#include "datafile/DataFileReader.h"
#include "datafile/RowKinds.h"

#include <QDate>
#include <QFile>
#include <QString>
#include <QStringList>

using namespace Qt::StringLiterals;

// Data file bytes as the writer makes them, and rows as the reader gives
// them, in a form a test compares at a glance.
inline const QStringList Subject{u"水の冷却"_s, u"室温 20℃〜"_s, u""_s, u"温度計①"_s, u"ｶﾀｶﾅ"_s};

// One line of text as the file holds it.
inline QByteArray line(const QString& text)
{
    return Cp932::encode(text) + "\r\n";
}

inline QByteArray rows(const QList<CsvRow>& list)
{
    QByteArray bytes;
    for (const CsvRow& row : list)
        bytes += encodeRow(row);
    return bytes;
}

inline QByteArray headingRows()
{
    return rows({RowKinds::headerRow(uR"(DATA\QMK05_7_20_152736.csv)"_s, QDate(2005, 7, 20)),
                 RowKinds::subjectRow(Subject), RowKinds::columnTitleRow(u"温度 ℃"_s)});
}

inline CsvRow reading(int n, const QString& remark = {})
{
    return RowKinds::dataRow(n, u"15:27:%1"_s.arg(36 + n), 1.5 * n, n ? 1.5 : 0, 50 - n, remark);
}

inline QString describe(const ReadRow& row)
{
    const QString no = row.rejected ? u" NG"_s : QString();
    if (row.kind == RowKind::Data) {
        return u"%1:D %2 %3 %4 %5 %6%7"_s.arg(row.line)
            .arg(row.number)
            .arg(row.secondsOfDay)
            .arg(row.elapsed, 0, 'g', 17)
            .arg(row.lap, 0, 'g', 17)
            .arg(row.target, 0, 'g', 17)
            .arg(no);
    }
    static const char* const letters = "HSTDCEA";
    return u"%1:%2%3|%4"_s.arg(row.line)
        .arg(QChar(char16_t(letters[int(row.kind)])))
        .arg(no, row.texts.join(u'|'));
}

inline QStringList describe(const QList<ReadRow>& list)
{
    QStringList out;
    for (const ReadRow& row : list)
        out.append(describe(row));
    return out;
}

inline bool writeFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = {})
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | mode) && file.write(bytes) == bytes.size();
}

inline const QString Heading1 = uR"(1:H|DATA\QMK05_7_20_152736.csv|05/7/20||||)"_s;
inline const QString Heading2 = u"2:S|水の冷却|室温 20℃～||温度計①|ｶﾀｶﾅ|←対象等"_s;
inline const QString Heading3 = u"3:T|測定回|時刻|経過秒|今-前秒|温度 ℃|備考"_s;
