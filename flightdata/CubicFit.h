#pragma once

#include <vector>

// A cubic fitted by least squares to a list of points, then evaluated at any x.
class CubicFit
{
public:
    struct Point
    {
        float x;
        float y;
        float spare;
    };

    void addPoint(float x, float y);
    void sortByX();
    const std::vector<Point> &points() const { return m_pointList; }

    // Throws what polyFit throws (no points: "invalid matrix size").
    std::vector<float> fit();
    float valueAt(float x) const;

private:
    std::vector<Point> m_pointList;
    std::vector<float> m_coefficients;
};
