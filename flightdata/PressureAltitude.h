#ifndef PRESSUREALTITUDE_H
#define PRESSUREALTITUDE_H

#include <cmath>

// Altitude in m of the standard atmosphere at a pressure in Pa, in single precision.
inline float pressureAltitudeOf(float pascals)
{
    return (1.0f - std::pow(pascals * 9.869233e-6f, 0.190263f)) * 44330.32f;
}

#endif // PRESSUREALTITUDE_H
