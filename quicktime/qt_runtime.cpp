// Placeholder until the QuickTime loader lands: the runtime is reported absent.
#include "quicktime/qt_runtime.h"

int QuickTimeAvailable = 0;

void QtStartup() { QuickTimeAvailable = 0; }
void QtShutdown() {}
