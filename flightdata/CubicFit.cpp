#include "CubicFit.h"

#include "Polynomial.h"

#include <algorithm>

void CubicFit::addPoint(float x, float y)
{
    pointList.push_back({x, y, 0.0f});
}

void CubicFit::sortByX()
{
    std::stable_sort(pointList.begin(), pointList.end(),
                     [](const Point &a, const Point &b) { return a.x < b.x; });
}

std::vector<float> CubicFit::fit()
{
    std::vector<float> x;
    std::vector<float> y;
    x.reserve(pointList.size());
    y.reserve(pointList.size());
    for (const Point &p : pointList) {
        x.push_back(p.x);
        y.push_back(p.y);
    }
    coefficients = polyFit(x, y);
    return coefficients;
}

float CubicFit::valueAt(float x) const
{
    return polyEval(coefficients, {x}).front();
}
