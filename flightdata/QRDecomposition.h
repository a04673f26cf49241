#pragma once

#include "Matrix.h"

// QR decomposition by Givens rotations, with a least-squares solver on top.
class QRDecomposition
{
public:
    void decompose(const Matrix &a);
    // b is a column of as many rows as the decomposed matrix; the result is 1 x cols.
    Matrix solve(const Matrix &b) const;

    Matrix Q{1, 1};
    Matrix R{1, 1};
    Matrix G{2, 2}; // the rotation of the last elimination step

private:
    void computeRotation(float a, float b);
    void rotateRows(Matrix &m, uint32_t i, uint32_t k) const;
};
