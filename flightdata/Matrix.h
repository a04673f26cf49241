#pragma once

#include <cstdint>
#include <vector>

// Small dense single-precision matrix, stored row by row. Sizes and indices are checked
// and reported with standard exceptions carrying fixed messages.
class Matrix
{
public:
    Matrix(uint32_t rows, uint32_t cols);

    static Matrix identity(uint32_t n);

    uint32_t rowCount() const { return rows; }
    uint32_t colCount() const { return cols; }

    float &operator()(uint32_t r, uint32_t c);
    float operator()(uint32_t r, uint32_t c) const;

    Matrix transpose() const;
    Matrix multiply(const Matrix &b) const;

private:
    std::size_t index(uint32_t r, uint32_t c) const;

    std::vector<float> data;
    uint32_t rows;
    uint32_t cols;
};
