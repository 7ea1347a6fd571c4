#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/result.hpp"
#include "spk/spk_error.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// A Type 13 segment holds N states (x, y, z, vx, vy, vz), their N epochs in increasing
// order, every hundredth epoch again as a directory, then the window size less one and
// N. A state between epochs is the Hermite polynomial through the positions and
// velocities of a window of W neighbouring states.
inline constexpr std::uint32_t TYPE13_TRAILER_WORDS = 2;
inline constexpr std::uint32_t TYPE13_STATE_WORDS = 6;
inline constexpr std::uint32_t TYPE13_EPOCHS_PER_ENTRY = 100;
// The polynomial has degree 2W - 1; wider windows gain nothing but rounding.
inline constexpr std::uint32_t TYPE13_MAX_WINDOW = 32;

struct Type13Layout {
    std::uint32_t state_count;  // N
    std::uint32_t window_size;  // W, 1 ... min(N, TYPE13_MAX_WINDOW)
    std::uint32_t directory_size;  // (N - 1) / 100

    std::int64_t epochs_offset() const { return std::int64_t{TYPE13_STATE_WORDS} * state_count; }
    std::int64_t directory_offset() const { return epochs_offset() + state_count; }
};

// Checks the closing words (window size less one, N) of the segment at [begin, end].
Result<Type13Layout, SpkError> decode_type13_trailer(std::span<const double, TYPE13_TRAILER_WORDS> words,
                                                     std::int32_t begin, std::int32_t end);

// The first state of the window for `epoch`, given how many epochs lie before it
// (`earlier`) and the epochs around it: an even window has as many states after the
// epoch as at or before it, an odd one is centred on the nearest state (the later of
// two equally near); near the ends the window stays within the segment.
std::uint32_t type13_window_first(const Type13Layout& layout, std::uint32_t earlier, double epoch,
                                  double epoch_before, double epoch_after);

// A window's Hermite polynomials in Newton form, one per axis, around its first epoch.
struct Type13Window {
    std::uint32_t first;  // index of its first state
    double base_epoch;
    std::vector<double> nodes;  // each epoch twice, less base_epoch
    std::vector<double> coefficients;  // per axis, nodes.size() divided differences
};

// The window of `epochs.size()` states from `first` on; `states` holds their six words each.
Result<Type13Window, SpkError> build_type13_window(std::uint32_t first, std::span<const double> states,
                                                   std::span<const double> epochs);

// Position and velocity (km, km/s) at each epoch from its window.
void evaluate_type13_window(const Type13Window& window, std::span<const double> epochs,
                            std::span<StateVector> states);

}  // namespace orbyx
