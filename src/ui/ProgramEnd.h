#pragma once

// How the program ends without losing a reading: when the system asks it to
// go (a signal, the desktop session logging out), a running measurement is
// ended as the end click ends it; and whatever rows could not be written by
// then go to a recovery file, or the user is told where they were lost.

class QApplication;
class RecorderWindow;
class ShutdownSignals;

// Ends a running measurement and quits the application when the system asks,
// at any moment: an open message box or prompt is closed first (as Cancel),
// since the program would otherwise wait in it. A request that comes before
// the event loop runs (while the load step's message is open) cannot quit a
// loop that has not begun: the caller asks received() before starting it.
const ShutdownSignals& endMeasurementOnSystemRequest(QApplication& app, RecorderWindow& window);

// Called once the event loop has ended: saves rows still unwritten and tells
// the user of any file for which even that failed.
void saveUnwrittenRowsAtExit(RecorderWindow& window);
