#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

// t = a + b·n by least squares from the textbook closed form of the normal
// equations, in long double: a check on the period fit that shares none of
// its code. Standard errors from the covariance scaled by SSR/(N − 2).
struct StraightLineFit {
    long double start = 0, slope = 0, startSe = 0, slopeSe = 0, residualSd = 0;
};

// The times t[k] of swings n = 0 … N−1.
inline StraightLineFit straightLineFit(const std::vector<double>& t)
{
    long double sn = 0, st = 0, snn = 0, snt = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
        const long double n = k;
        sn += n, st += t[k], snn += n * n, snt += n * t[k];
    }
    const long double n = t.size(), d = n * snn - sn * sn;
    StraightLineFit fit;
    fit.slope = (n * snt - sn * st) / d;
    fit.start = (st - fit.slope * sn) / n;
    long double ssr = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
        const long double r = t[k] - fit.start - fit.slope * (long double)k;
        ssr += r * r;
    }
    const long double variance = ssr / (n - 2);
    fit.slopeSe = std::sqrt(variance * n / d);
    fit.startSe = std::sqrt(variance * snn / d);
    fit.residualSd = std::sqrt(variance);
    return fit;
}

// Equal to nine significant digits and better.
inline bool agreesTo9Digits(double actual, long double expected)
{
    return std::abs(actual - double(expected)) <= 1e-9 * std::abs(double(expected));
}
