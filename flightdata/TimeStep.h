#pragma once

// Advances a running time by a fixed step, in single precision as the time axis is kept.
// False when the step is lost to rounding (times far from zero), so that stepping loops end.
inline bool advanceTime(float &time, float step)
{
    const float next = time + step;
    if (next == time)
        return false;
    time = next;
    return true;
}
