#pragma once

#include <cmath>

// Altitude in m of the standard atmosphere at a pressure in Pa, in single precision.
inline float pressureAltitudeOf(float pascals)
{
    return (1.0f - std::pow(pascals * 9.869233e-6f, 0.190263f)) * 44330.32f;
}

// Pressure in Pa of the standard atmosphere at an altitude in m, in single precision.
inline float standardPressureAt(float altitude)
{
    return std::pow(1.0f - 2.2557924e-5f * altitude, 5.2558827f) * 1000.0f * 101.325f;
}
