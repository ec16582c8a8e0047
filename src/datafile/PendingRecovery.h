#pragma once

#include "datafile/DataFileWriter.h"

#include <QStringList>

// At start-up: gives every data file in "DATA" the rows its sidecar kept when
// the program last ended without writing them.
struct PendingRecovery {
    // Data files that got their rows back (as opened on this system).
    QStringList recovered;
    // Data files whose rows could not be written back; their sidecars stay,
    // and rows whose write failed stay queued in the writer.
    QStringList notWritten;
    // Sidecars that could not be read; they stay where they are.
    QStringList unreadable;
    // Sidecars left as they are because they are not this program's: a name
    // no data file of this program has, or content that is not rows of it
    // continuing its data file (which is then not touched either).
    QStringList leftAlone;
    // The outcome of the last recovering write (failed rows stay queued).
    DataFileWriter::Result lastWrite;

    bool anythingToTell() const
    {
        return !recovered.isEmpty() || !notWritten.isEmpty() || !unreadable.isEmpty() ||
               !leftAlone.isEmpty();
    }
};

// Appends to each data file the rows of its sidecar that it has not got yet,
// then removes the sidecar. Only files directly in "DATA" with the names this
// program gives are touched. Sidecars whose owner still runs (a second
// instance in the same folder) are left alone, as are leftover temporary
// files of theirs.
PendingRecovery recoverPendingRows(DataFileWriter& writer);
