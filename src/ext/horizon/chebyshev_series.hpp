#pragma once

#include <array>
#include <cmath>
#include <cstddef>

namespace orbyx {

// Polynomials on [-1, 1] in the Chebyshev basis (sum of c_k T_k), fitted through
// their values at the N first-kind nodes, where the error spreads evenly.
template <std::size_t N>
struct Chebyshev {
    using Coefficients = std::array<double, N>;

    static double node(std::size_t j) { return table().cosines[1][j]; }

    static Coefficients through(const std::array<double, N>& values_at_nodes) {
        const auto& cosines = table().cosines;
        Coefficients c{};
        for (std::size_t k = 0; k < N; ++k) {
            double sum = 0.0;
            for (std::size_t j = 0; j < N; ++j) sum += values_at_nodes[j] * cosines[k][j];
            c[k] = (k == 0 ? 1.0 : 2.0) * sum / static_cast<double>(N);
        }
        return c;
    }

    // d/ds, one degree lower.
    static Coefficients derivative(const Coefficients& c) {
        Coefficients slope{};
        double above = 0.0, current = 0.0;  // slope coefficients k+1 and k
        for (std::size_t k = N - 1; k >= 1; --k) {
            const double below = above + 2.0 * static_cast<double>(k) * c[k];
            slope[k - 1] = below;
            above = current;
            current = below;
        }
        slope[0] *= 0.5;
        return slope;
    }

    // L series at once by Clenshaw's recurrence; row k holds each series' c_k.
    template <std::size_t L>
    static std::array<double, L> evaluate(const std::array<std::array<double, L>, N>& rows, double s) {
        std::array<double, L> b1{}, b2{};
        const double twice = 2.0 * s;
        for (std::size_t k = N - 1; k >= 1; --k) {
            for (std::size_t l = 0; l < L; ++l) {
                const double b0 = rows[k][l] + twice * b1[l] - b2[l];
                b2[l] = b1[l];
                b1[l] = b0;
            }
        }
        std::array<double, L> value;
        for (std::size_t l = 0; l < L; ++l) value[l] = rows[0][l] + s * b1[l] - b2[l];
        return value;
    }

private:
    // cos(pi k (j + 1/2) / N): T_k at node j.
    struct Table {
        std::array<std::array<double, N>, N> cosines;
        Table() {
            for (std::size_t k = 0; k < N; ++k) {
                for (std::size_t j = 0; j < N; ++j) {
                    cosines[k][j] = std::cos(3.141592653589793 * static_cast<double>(k) *
                                             (static_cast<double>(j) + 0.5) / static_cast<double>(N));
                }
            }
        }
    };
    static const Table& table() {
        static const Table once;
        return once;
    }
};

}  // namespace orbyx
