// Any six texts a user can type become one row that a CSV reader reads back
// as exactly six fields holding the same texts (characters code page 932
// cannot hold come back as "?").
#include "datafile/CsvRow.h"
#include "fuzz/FuzzInput.h"
#include "support/DataFileReading.h"

#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace
{

// Every code point comes back as itself, as "?" when the code page cannot hold
// it, or as another code point with the very same bytes (U+301C and U+FF5E).
bool faithful(const QString& original, const QString& decoded)
{
    const QList<uint> in = original.toUcs4();
    const QList<uint> out = decoded.toUcs4();
    if (in.size() != out.size())
        return false;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == out[i] || (out[i] == u'?' && in[i] > 0x7F))
            continue;
        const QString a = QString::fromUcs4(reinterpret_cast<const char32_t*>(&in[i]), 1);
        const QString b = QString::fromUcs4(reinterpret_cast<const char32_t*>(&out[i]), 1);
        if (in[i] <= 0x7F || encodeRow({CsvField::ofText(a)}) != encodeRow({CsvField::ofText(b)}))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString all = utf16FromBytes(data, size);
    QStringList texts;
    const qsizetype part = all.size() / 6;
    for (int i = 0; i < 5; ++i)
        texts.append(all.mid(i * part, part));
    texts.append(all.mid(5 * part));

    CsvRow row;
    for (int i = 0; i < 5; ++i)
        row.append(CsvField::ofText(texts[i]));
    row.append(CsvField::ofNumber(double(size) / 7.0));

    const QByteArray bytes = encodeRow(row);
    FUZZ_CHECK(bytes.endsWith("\r\n"));
    const QString decoded = decodeCp932(bytes.chopped(2));
    FUZZ_CHECK(!decoded.isEmpty());
    const std::optional<QStringList> read = splitFields(decoded);
    FUZZ_CHECK(read && read->size() == 6);
    const QStringList& fields = *read;
    for (int i = 0; i < 5; ++i)
        FUZZ_CHECK(faithful(texts[i], fields[i]));
    return 0;
}
