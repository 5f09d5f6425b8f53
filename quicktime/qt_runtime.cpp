#include "quicktime/qt_runtime.h"

#include "quicktime/qt_calls.h"
#include "quicktime/qt_loader.h"

int QuickTimeAvailable = 0;

void QtStartup() {
    if (QtRuntimeInitialize(0) != 0) {
        QuickTimeAvailable = 0;
        return;
    }
    QuickTimeAvailable = 1;
    EnterMovies();
}

void QtShutdown() {
    if (QuickTimeAvailable != 0) {
        ExitMovies();
        QtRuntimeTerminate();
    }
}
