// SIGTERM, SIGINT and SIGHUP close the program's windows the ordinary way, so the settings
// are still saved when the session ends or the program is asked to stop.
#pragma once

class QObject;

// Call first in main(): from here on these signals are caught and remembered.
void CatchQuitSignals();
// Once the application object exists: every caught signal (also one caught before this call)
// closes the modal windows from the top down, the main window last. A window that refuses to
// close (a running export cancels instead) stops the descent.
void CloseWindowsOnQuitSignal(QObject* owner);
