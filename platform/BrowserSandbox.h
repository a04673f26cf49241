#pragma once

// The browser engine that draws the map pages refuses to start as root with its sandbox on,
// which would end either program at once in a container, on a fresh machine or in CI.
class BrowserSandbox
{
public:
    // For root, unless QTWEBENGINE_DISABLE_SANDBOX already decides, switches the sandbox off
    // and says so in one console line; a normal user keeps it. Call before the application
    // object exists: the engine reads its environment once, when it starts.
    static void switchOffForRoot();
};
