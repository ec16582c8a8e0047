#pragma once

#include "datafile/DataFileWriter.h"

#include <QStringList>

// At start-up: gives every data file in "DATA" the pending row its sidecar
// kept when the program last ended without ending its measurement.
struct PendingRecovery {
    // Data files that got their last reading back (as opened on this system).
    QStringList recovered;
    // Data files whose last reading could not be written back; their
    // sidecars stay, and the rows stay queued in the writer.
    QStringList notWritten;
    // Sidecars that could not be read; they stay where they are.
    QStringList unreadable;
    // The outcome of the last recovering write (failed rows stay queued).
    DataFileWriter::Result lastWrite;

    bool anythingToTell() const
    {
        return !recovered.isEmpty() || !notWritten.isEmpty() || !unreadable.isEmpty();
    }
};

// Appends each sidecar's row to its data file unless the file already holds
// it as its last reading, then removes the sidecar. Sidecars whose owner still
// runs (a second instance in the same folder) are left alone, as are leftover
// temporary files of theirs.
PendingRecovery recoverPendingRows(DataFileWriter& writer);

// Whether the data file's bytes already end with `row` (CR LF included): as
// their last row, or followed only by an end subject row.
bool endsWithPendingRow(const QByteArray& dataFile, const QByteArray& row);
