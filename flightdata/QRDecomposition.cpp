#include "QRDecomposition.h"

#include <cmath>

void QRDecomposition::computeRotation(float a, float b)
{
    float cosine;
    float sine;
    if (b == 0.0f) {
        sine = 0.0f;
        cosine = a >= 0.0f ? 1.0f : -1.0f;
    } else if (a == 0.0f) {
        cosine = 0.0f;
        sine = b >= 0.0f ? -1.0f : 1.0f;
    } else if (std::fabs(b) > std::fabs(a)) {
        const float t = a / b;
        sine = -1.0f / std::sqrt(t * t + 1.0f);
        cosine = -t * sine;
    } else {
        const float t = b / a;
        cosine = 1.0f / std::sqrt(t * t + 1.0f);
        sine = -t * cosine;
    }
    G(0, 0) = cosine;
    G(0, 1) = -sine;
    G(1, 0) = sine;
    G(1, 1) = cosine;
}

void QRDecomposition::rotateRows(Matrix &m, uint32_t i, uint32_t k) const
{
    for (uint32_t c = 0; c < m.colCount(); ++c) {
        const float mi = m(i, c);
        const float mk = m(k, c);
        m(k, c) = G(1, 1) * mk + G(1, 0) * mi;
        m(i, c) = G(0, 0) * mi + G(0, 1) * mk;
    }
}

void QRDecomposition::decompose(const Matrix &a)
{
    Q = Matrix::identity(a.rowCount());
    R = a;
    const uint32_t columnsToClear = a.rowCount() > a.colCount() ? a.colCount() : a.rowCount() - 1;
    for (uint32_t i = 0; i < columnsToClear; ++i) {
        for (uint32_t k = i + 1; k < a.rowCount(); ++k) {
            computeRotation(R(i, i), R(k, i));
            rotateRows(R, i, k);
            rotateRows(Q, i, k);
        }
    }
    Q = Q.transpose();
}

Matrix QRDecomposition::solve(const Matrix &b) const
{
    const Matrix y = Q.transpose().multiply(b);
    const uint32_t n = R.colCount();
    Matrix s(1, n);
    for (uint32_t i = n; i-- > 0;) {
        s(0, i) = y(i, 0);
        for (uint32_t j = i + 1; j < n; ++j)
            s(0, i) = s(0, i) - R(i, j) * s(0, j);
        s(0, i) = s(0, i) / R(i, i);
    }
    return s;
}
