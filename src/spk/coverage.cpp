#include "spk/coverage.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>

namespace orbyx {
namespace {

using Interval = std::pair<double, double>;

// IEEE total order: -NaN < -inf < ... < -0 < +0 < ... < +inf < +NaN.
std::int64_t total_order_key(double value) {
    const auto bits = std::bit_cast<std::int64_t>(value);
    return bits < 0 ? bits ^ std::numeric_limits<std::int64_t>::max() : bits;
}

}  // namespace

Result<Interval, EphemerisError> common_contiguous_coverage(const std::vector<SpkSegment>& segments) {
    if (segments.empty()) return failure(EphemerisError::evaluation("SPK kernel has no segments"));

    std::map<std::int32_t, std::vector<Interval>> by_target;
    for (const SpkSegment& segment : segments) {
        by_target[segment.target].emplace_back(segment.start_epoch, segment.end_epoch);
    }

    double start = -std::numeric_limits<double>::infinity();
    double end = std::numeric_limits<double>::infinity();
    for (auto& [target, intervals] : by_target) {
        std::stable_sort(intervals.begin(), intervals.end(), [](const Interval& a, const Interval& b) {
            return total_order_key(a.first) < total_order_key(b.first);
        });
        auto [covered_start, covered_end] = intervals.front();
        for (auto it = intervals.begin() + 1; it != intervals.end(); ++it) {
            // Intervals that touch (end == next start) are contiguous.
            if (covered_end < it->first) {
                return failure(EphemerisError::evaluation(
                    "SPK target " + std::to_string(target) + " has discontinuous segment coverage"));
            }
            covered_end = std::fmax(covered_end, it->second);
        }
        start = std::fmax(start, covered_start);
        end = std::fmin(end, covered_end);
    }

    if (end < start) {
        return failure(EphemerisError::evaluation("SPK targets have no common coverage interval"));
    }
    return Interval{start, end};
}

}  // namespace orbyx
