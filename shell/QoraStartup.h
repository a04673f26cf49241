#pragma once

// NUV QORA from start to end: prepares the application, reads the command line (option
// --flight FILE), starts the web server before any window, shows the main window with the
// flight (or the device window) and runs the event loop. Returns the loop's exit code.
int runNuvQora(int argc, char *argv[]);
