#pragma once

#include <QString>

#include <cstdint>

// The phases of a flight, named once: the flight computer's own numbering, which its status
// word and the launch emulation report, and the folded one that a status event's `state` holds.
namespace FlightPhase {

enum class Device : uint8_t { Pad = 0, Boost = 1, BoostEnd = 2, Coast = 3, Apogee = 4, Descent = 5, Ground = 6 };

// Unscoped, so that it compares with the integer `state` of a status event.
enum State : int32_t { Pad = 0, Boost = 1, Coast = 2, ApogeeOrDescent = 3, Ground = 4 };

// The state of a device phase; numbers beyond the device's phases read as pad.
State fold(unsigned devicePhase);

// A device phase as the emulation results write it ("pad" .. "ground"); any other number in decimal.
QString name(int devicePhase);

} // namespace FlightPhase
