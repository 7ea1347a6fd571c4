#pragma once

#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "spk/spk_segment.hpp"

namespace orbyx {

// The interval, in TDB seconds past J2000 with both bounds inclusive, over which
// every target of `segments` is covered without a gap.
Result<std::pair<double, double>, EphemerisError> common_contiguous_coverage(
    const std::vector<SpkSegment>& segments);

}  // namespace orbyx
