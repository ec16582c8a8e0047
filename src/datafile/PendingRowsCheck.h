#pragma once

#include <QByteArrayView>
#include <QString>

class ReadOnlyFile;

// Whether a sidecar's rows may be appended to their data file: each one is a
// row exactly as this program writes it (CP932, CR LF), the data rows numbered
// on from the last reading before them. Anything else (bytes of no row, text
// of another program, another file's header, a reading number out of turn)
// is no row of this data file, however it came into the sidecar.
struct PendingRowsCheck {
    // "DATA\QMK…csv", the name the data file's header row holds.
    QString dataFileName;
    // A sidecar of one row alone keeps only the pending reading: a data row
    // or a changed-subject row. A longer one may hold any row of a file.
    bool pendingRowOnly = false;
};

// `dataFile` null: the data file is gone, and the rows would begin a new one.
// Else the rows follow its first `before` bytes, which end at a row boundary.
bool rowsContinueDataFile(QByteArrayView rows, ReadOnlyFile* dataFile, qint64 before,
                          const PendingRowsCheck& check);
