#pragma once

// How the program ends without losing a reading: when the system asks it to
// go (a signal, the desktop session logging out), a running measurement is
// ended as the end click ends it; and whatever rows could not be written by
// then go to a recovery file, or the user is told where they were lost.

class QApplication;
class RecorderWindow;

// Ends a running measurement and quits the application when the system asks.
void endMeasurementOnSystemRequest(QApplication& app, RecorderWindow& window);

// Called once the event loop has ended: saves rows still unwritten and tells
// the user of any file for which even that failed.
void saveUnwrittenRowsAtExit(RecorderWindow& window);
