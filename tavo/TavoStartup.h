#pragma once

#include <functional>

class NUVStudio;

// NUV TAVO from start to end: prepares the application and the embedded browser, installs the
// message handler, starts the web server before any window and shows the main window, which
// opens the live window and connects to the ground station. Takes no command-line option.
// onWindowBuilt, when given, sees the main window before the event loop runs (the start-up
// benchmark watches it). Returns the event loop's exit code.
int runNuvTavo(int argc, char *argv[], const std::function<void(NUVStudio &)> &onWindowBuilt = {});
