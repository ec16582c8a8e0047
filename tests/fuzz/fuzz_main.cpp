// Runs a fuzz target without libFuzzer: every input of its committed corpus,
// then mutations of them and of known hostile texts, for a bounded time.
// usage: <target> <corpus dir> <seconds>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QRandomGenerator>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{

void run(const QByteArray& input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()),
                           size_t(input.size()));
}

QByteArray utf16(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QList<QByteArray> hostileInputs()
{
    QList<QByteArray> inputs;
    for (const char* text : {"1e999",        "-1e999", "1e-999",    "NaN",
                             "nan",          "inf",    "-Infinity", "1.79769313486232E+308",
                             "3.4028236e38", "0x10",   "&H10",      "1,5",
                             "\"\"\"",       ",,,,,",  "\r\n",      "\t\v\f",
                             "+-1",          "1e",     ".e1",       "-.5e-3"})
        inputs.append(QByteArray(text));
    inputs.append(QByteArray(100'000, '9'));
    inputs.append(utf16(QString(100'000, QChar(0x301C))));
    inputs.append(utf16(QStringLiteral("走者\"A\",〜−😀") + QChar(0xD800) + QChar(0xDFFF)));
    QByteArray controls;
    for (int c = 0; c < 32; ++c)
        controls += char(c);
    inputs.append(controls);
    return inputs;
}

QByteArray mutate(QByteArray input, QRandomGenerator& random)
{
    const int steps = 1 + int(random.bounded(8));
    for (int i = 0; i < steps; ++i) {
        const quint32 choice = random.bounded(4);
        const qsizetype at = input.isEmpty() ? 0 : qsizetype(random.bounded(quint32(input.size())));
        if (choice == 0 && !input.isEmpty())
            input[at] = char(random.bounded(256));
        else if (choice == 1)
            input.insert(at, char(random.bounded(256)));
        else if (choice == 2 && !input.isEmpty())
            input.remove(at, 1 + qsizetype(random.bounded(4)));
        else
            input.insert(at, "0123456789.eE+- \",\x81\x60"[random.bounded(17)]);
    }
    return input;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <corpus dir> <seconds>\n", argv[0]);
        return 2;
    }
    QList<QByteArray> seeds;
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    for (const QString& name : corpus.entryList(QDir::Files)) {
        QFile file(corpus.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            seeds.append(file.readAll());
    }
    seeds += hostileInputs();
    for (const QByteArray& seed : seeds)
        run(seed);

    QRandomGenerator random(20051719);
    QElapsedTimer timer;
    timer.start();
    const qint64 budgetMs = qint64(QByteArray(argv[2]).toDouble() * 1000);
    qint64 runs = seeds.size();
    while (timer.elapsed() < budgetMs) {
        run(mutate(seeds[qsizetype(random.bounded(quint32(seeds.size())))], random));
        ++runs;
    }
    std::printf("%lld passed, 0 failed\n", static_cast<long long>(runs));
    return 0;
}
