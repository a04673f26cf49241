#pragma once

#include "FlightTestSupport.h"

#include <cmath>
#include <cstdint>
#include <memory>

// A vertical flight generated in code: pad, 2 s boost at 80 m/s^2, coast with drag, descent
// at 8 m/s, then the ground. Axial acceleration every 0.01 s, pressure every 0.05 s, lateral
// acceleration and rotation every 0.1 s, GPS every second; readings carry a little noise.
struct SyntheticFlight
{
    struct Profile
    {
        double launch = 10.0;        // s
        double groundAltitude = 110; // m above sea level
        double afterLanding = 30.0;  // s recorded on the ground
        bool inverted = false;       // axial sensor mounted upside down
        bool rises = true;
        bool gps = true;
        double gpsOffset = 3.0;      // GPS minus barometric altitude, m
    };

    // True values of the generated flight.
    double burnout = 0;
    double apogee = 0;
    double apogeeHeight = 0;
    double landing = 0;
    double peakVelocity = 0;

    std::unique_ptr<NUVQORAFlight> flight = std::make_unique<NUVQORAFlight>();

    explicit SyntheticFlight(const Profile &profile)
    {
        const double dt = 0.01;
        double h = 0;
        double v = 0;
        bool landed = false;
        uint32_t noise = 1;
        const auto jitter = [&noise](double amplitude) {
            noise = noise * 1664525u + 1013904223u;
            return amplitude * ((noise >> 8) / double(1 << 24) * 2.0 - 1.0);
        };
        for (long step = 0;; ++step) {
            const double t = step * dt;
            const float time = float(t);
            double a = 0; // m/s^2, without gravity
            double reading = 1.0;
            if (profile.rises && t >= profile.launch && !landed) {
                if (t < profile.launch + 2.0) {
                    a = 80.0;
                    burnout = t + dt;
                } else if (apogee == 0) {
                    a = -9.81 - 0.0005 * v * std::fabs(v);
                } else {
                    v = -8.0;
                }
                reading = a == 0 ? 1.0 : (a + 9.81) / 9.81;
            }
            const double axial = (profile.inverted ? -reading : reading) + jitter(0.02);
            addEvent<NUVEvent_AccelZ>(*flight, time)->acceleration = float(axial);
            if (step % 5 == 0)
                addEvent<NUVEvent_Pressure>(*flight, time)->pressure =
                    float(pressureAt(profile.groundAltitude + h + jitter(1.0)));
            if (step % 10 == 0) {
                auto *lateral = addEvent<NUVEvent_AccelXY>(*flight, time);
                lateral->x = float(jitter(0.1));
                lateral->y = float(jitter(0.1));
                auto *gyro = addEvent<NUVEvent_GyroXYZ>(*flight, time);
                gyro->x = float(jitter(5));
                gyro->y = float(jitter(5));
                gyro->z = float(a > 0 ? 90.0 : jitter(5));
            }
            if (profile.gps && step % 100 == 0) {
                auto *fix = addEvent<NUVEvent_GPSLLSol>(*flight, time);
                fix->fixValid = true;
                fix->latitude = 47.0 + h * 1e-6;
                fix->longitude = 8.0;
                fix->altitude = float(profile.groundAltitude + h + profile.gpsOffset);
                fix->satellites = 9;
            }
            if (landed && t > landing + profile.afterLanding)
                break;
            if (!profile.rises && t > profile.launch + profile.afterLanding)
                break;
            v += a * dt;
            h += v * dt;
            peakVelocity = std::max(peakVelocity, v);
            if (apogee == 0 && t > profile.launch + 2.0 && v <= 0) {
                apogee = t;
                apogeeHeight = h;
            }
            if (apogee != 0 && !landed && h <= 0) {
                h = 0;
                v = 0;
                landed = true;
                landing = t;
            }
        }
    }

    static double pressureAt(double altitude)
    {
        return 101325.0 * std::pow(1.0 - altitude / 44330.32, 1.0 / 0.190263);
    }
};
