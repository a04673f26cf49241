#include "Matrix.h"

#include <stdexcept>

Matrix::Matrix(uint32_t rows, uint32_t cols)
    : rows(rows), cols(cols)
{
    if (rows == 0 || cols == 0)
        throw std::range_error("invalid matrix size");
    data.assign(std::size_t(rows) * cols, 0.0f);
}

Matrix Matrix::identity(uint32_t n)
{
    Matrix m(n, n);
    for (std::size_t k = 0; k < m.data.size(); k += std::size_t(n) + 1)
        m.data[k] = 1.0f;
    return m;
}

std::size_t Matrix::index(uint32_t r, uint32_t c) const
{
    if (r >= rows || c >= cols)
        throw std::out_of_range("position out of range");
    return std::size_t(r) * cols + c;
}

float &Matrix::operator()(uint32_t r, uint32_t c)
{
    return data[index(r, c)];
}

float Matrix::operator()(uint32_t r, uint32_t c) const
{
    return data[index(r, c)];
}

Matrix Matrix::transpose() const
{
    Matrix t(cols, rows);
    for (uint32_t r = 0; r < rows; ++r)
        for (uint32_t c = 0; c < cols; ++c)
            t(c, r) = (*this)(r, c);
    return t;
}

Matrix Matrix::multiply(const Matrix &b) const
{
    if (cols != b.rows)
        throw std::domain_error("matrix dimensions are not multiplicable");
    Matrix product(rows, b.cols);
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t c = 0; c < b.cols; ++c) {
            float sum = 0.0f;
            for (uint32_t i = 0; i < cols; ++i)
                sum += (*this)(r, i) * b(i, c);
            product(r, c) = sum;
        }
    }
    return product;
}
