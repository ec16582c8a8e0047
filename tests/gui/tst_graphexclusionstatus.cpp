#include "GraphFiles.h"

#include "graph/GraphWindow.h"

#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// A reading left out that cannot be kept for the next start is no secret.
class GraphExclusionStatusTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void namesTheFileItCannotWrite();
};

void GraphExclusionStatusTest::namesTheFileItCannotWrite()
{
    QTemporaryDir tmp;
    const QString path =
        GraphFiles::writeMeasurement(QDir(tmp.path()), GraphFiles::coolingReadings(6));
    // A plain file where the store's folder should be.
    const QString folder = tmp.filePath(u"store"_s);
    QFile(folder).open(QIODevice::WriteOnly);
    const ExclusionStore store(folder);
    GraphWindow window(path, store);
    const auto status = [&window] { return window.findChild<QLabel*>(u"followStatus"_s)->text(); };
    window.toggleReading(2);
    QVERIFY2(status().contains(QDir::toNativeSeparators(store.entryPath(path))),
             qPrintable(status()));
    // Kept once the folder can be made: the complaint goes.
    QVERIFY(QFile::remove(folder));
    window.toggleReading(3);
    QVERIFY2(!status().contains(folder), qPrintable(status()));
}

QTEST_MAIN(GraphExclusionStatusTest)
#include "tst_graphexclusionstatus.moc"
