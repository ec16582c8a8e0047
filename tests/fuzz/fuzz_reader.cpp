// Any bytes, cut anywhere: the data-file parser never crashes, gives the same
// rows and the same first problem however the bytes arrive, and every row it
// gives is whole (six texts, or finite numbers).
#include "datafile/DataFileReader.h"
#include "fuzz/FuzzInput.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{

bool same(const ReadRow& a, const ReadRow& b)
{
    return a.kind == b.kind && a.line == b.line && a.number == b.number &&
           a.secondsOfDay == b.secondsOfDay && a.elapsed == b.elapsed && a.lap == b.lap &&
           a.target == b.target && a.rejected == b.rejected && a.texts == b.texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses the cuts, the rest is the file.
    if (size == 0)
        return 0;
    const unsigned seed = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    DataFileParser whole;
    const QList<ReadRow> expected = whole.feed(bytes);

    DataFileParser cut;
    QList<ReadRow> got;
    unsigned state = seed * 2654435761u + 1;
    for (qsizetype at = 0; at < bytes.size();) {
        state = state * 1103515245u + 12345u;
        const qsizetype length = 1 + qsizetype((state >> 16) % 61);
        got += cut.feed(bytes.mid(at, length));
        at += length;
    }

    FUZZ_CHECK(got.size() == expected.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        FUZZ_CHECK(same(got[i], expected[i]));
    FUZZ_CHECK(cut.linesRead() == whole.linesRead());
    FUZZ_CHECK(cut.linesRead() == int(bytes.count('\n')));
    FUZZ_CHECK(cut.firstProblem().has_value() == whole.firstProblem().has_value());
    if (whole.firstProblem()) {
        FUZZ_CHECK(cut.firstProblem()->line == whole.firstProblem()->line);
        FUZZ_CHECK(cut.firstProblem()->reason == whole.firstProblem()->reason);
        FUZZ_CHECK(!whole.firstProblem()->reason.isEmpty());
    }
    FUZZ_CHECK(cut.lastLine() == whole.lastLine());
    FUZZ_CHECK(cut.subjectLines() == whole.subjectLines());

    int previous = 0;
    for (const ReadRow& row : expected) {
        FUZZ_CHECK(row.line > previous && row.line <= whole.linesRead());
        previous = row.line;
        if (row.kind == RowKind::Data) {
            FUZZ_CHECK(std::isfinite(row.elapsed) && std::isfinite(row.lap) &&
                       std::isfinite(row.target));
            FUZZ_CHECK(row.number >= 0 && row.texts.isEmpty());
            FUZZ_CHECK(row.secondsOfDay >= -1 && row.secondsOfDay < 86400);
        } else {
            FUZZ_CHECK(row.texts.size() == 6);
        }
    }
    // Every line is a row or was reported, and counted.
    FUZZ_CHECK(expected.size() == whole.linesRead() || whole.firstProblem().has_value());
    FUZZ_CHECK(expected.size() + whole.unreadLines() == whole.linesRead());

    // The file's end: an open last line is read alike however the bytes came.
    const QList<ReadRow> lastWhole = whole.finish();
    const QList<ReadRow> lastCut = cut.finish();
    FUZZ_CHECK(lastWhole.size() == lastCut.size() && lastWhole.size() <= 1);
    if (!lastWhole.isEmpty())
        FUZZ_CHECK(same(lastWhole[0], lastCut[0]));
    FUZZ_CHECK(cut.unreadLines() == whole.unreadLines());
    FUZZ_CHECK(whole.linesRead() ==
               int(bytes.count('\n')) + (bytes.endsWith('\n') || bytes.isEmpty() ? 0 : 1));
    return 0;
}
