#pragma once

#include "EmulationStepReply.h"

#include <QByteArray>

// The lines of an emulation results file: what the device answered for each row it was fed.
class EmulationResults
{
public:
    static QByteArray header();
    // One row, ended by a line break; numbers in six significant digits, C locale.
    static QByteArray line(float time, const EmulationStepReply &reply);
    // The tilt of the device's axis from the reply's orientation, in degrees.
    static double tiltAngle(const EmulationStepReply &reply);
};
