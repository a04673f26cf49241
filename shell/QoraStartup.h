#pragma once

#include <functional>

class NUVStudio;

// NUV QORA from start to end: prepares the application, reads the command line (option
// --flight FILE), starts the web server before any window, shows the main window with the
// flight (or the device window) and runs the event loop. Returns the loop's exit code.
// shown, when given, is called with the main window once it is shown, before the loop runs
// (the start-up benchmark watches the window through it).
int runNuvQora(int argc, char *argv[], const std::function<void(NUVStudio &)> &shown = {});
