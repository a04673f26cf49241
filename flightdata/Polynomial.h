#pragma once

#include <vector>

// Least-squares cubic through the points (x[i], y[i]); coefficients constant term first.
std::vector<float> polyFit(const std::vector<float> &x, const std::vector<float> &y);

// Sum of c[k] * x^k for every x, in order.
std::vector<float> polyEval(const std::vector<float> &c, const std::vector<float> &x);
