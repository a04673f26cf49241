#include "Polynomial.h"

#include "Matrix.h"
#include "QRDecomposition.h"

#include <stdexcept>

std::vector<float> polyFit(const std::vector<float> &x, const std::vector<float> &y)
{
    if (x.size() != y.size())
        throw std::invalid_argument("X and Y vector sizes do not match");
    const auto n = static_cast<uint32_t>(x.size());
    Matrix a(n, 4);
    Matrix b(n, 1);
    for (uint32_t i = 0; i < n; ++i) {
        float power = 1.0f;
        for (uint32_t k = 0; k < 4; ++k) {
            a(i, k) = power;
            power *= x[i];
        }
        b(i, 0) = y[i];
    }
    const Matrix at = a.transpose();
    QRDecomposition qr;
    qr.decompose(at.multiply(a));
    const Matrix s = qr.solve(at.multiply(b));
    return {s(0, 0), s(0, 1), s(0, 2), s(0, 3)};
}

std::vector<float> polyEval(const std::vector<float> &c, const std::vector<float> &x)
{
    std::vector<float> result;
    result.reserve(x.size());
    for (const float value : x) {
        float sum = 0.0f;
        float power = 1.0f;
        for (const float coefficient : c) {
            sum += coefficient * power;
            power *= value;
        }
        result.push_back(sum);
    }
    return result;
}
