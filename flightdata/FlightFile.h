#pragma once

#include "NUVQORAFlight.h"

#include <string>

// The flight file: one flight stored as a binary archive of versioned classes.
class FlightFile
{
public:
    // Writes a temporary file next to the target and puts it in place only when complete.
    static bool write(const NUVQORAFlight &flight, const std::wstring &path);
    // Reads into a new flight, as stored: no sorting, no processing. False when the file
    // is missing or not a flight file; a damaged body leaves the flight with its readable
    // part and still counts as read.
    static bool read(NUVQORAFlight &flight, const std::wstring &path);
};
