#include "CubicFit.h"

#include "Polynomial.h"

#include <algorithm>

void CubicFit::addPoint(float x, float y)
{
    m_pointList.push_back({x, y, 0.0f});
}

void CubicFit::sortByX()
{
    std::stable_sort(m_pointList.begin(), m_pointList.end(),
                     [](const Point &a, const Point &b) { return a.x < b.x; });
}

std::vector<float> CubicFit::fit()
{
    std::vector<float> x;
    std::vector<float> y;
    x.reserve(m_pointList.size());
    y.reserve(m_pointList.size());
    for (const Point &p : m_pointList) {
        x.push_back(p.x);
        y.push_back(p.y);
    }
    m_coefficients = polyFit(x, y);
    return m_coefficients;
}

float CubicFit::valueAt(float x) const
{
    return polyEval(m_coefficients, {x}).front();
}
