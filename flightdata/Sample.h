#pragma once

#include <vector>

// One point of a derived flight quantity.
struct Sample
{
    float time = 0.0f;  // s, on the flight's time axis
    float value = 0.0f;
    float aux = 0.0f;   // a second interpolated quantity
};

// Samples in ascending time, in the order they were appended.
using SampleTable = std::vector<Sample>;
