#include "spk/type13.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>

namespace orbyx {
namespace {

SpkError type13_error(std::string reason) { return SpkError::invalid_segment_data(13, std::move(reason)); }

// N and the window size less one are doubles holding integers in 0 ... 2^31 - 1.
bool is_trailer_count(double value) { return value == std::trunc(value) && value >= 0 && value <= 2147483647.0; }

}  // namespace

Result<Type13Layout, SpkError> decode_type13_trailer(std::span<const double, TYPE13_TRAILER_WORDS> words,
                                                     std::int32_t begin, std::int32_t end) {
    if (!is_trailer_count(words[0])) return failure(type13_error("window size"));
    if (!is_trailer_count(words[1]) || words[1] < 1) return failure(type13_error("state count"));
    const auto window_size = static_cast<std::uint32_t>(words[0]) + 1;
    const auto state_count = static_cast<std::uint32_t>(words[1]);
    if (window_size > TYPE13_MAX_WINDOW || window_size > state_count) {
        return failure(type13_error("window size exceeds the state count or " + std::to_string(TYPE13_MAX_WINDOW)));
    }
    const Type13Layout layout{state_count, window_size, (state_count - 1) / TYPE13_EPOCHS_PER_ENTRY};
    const std::int64_t segment_words = std::int64_t{end} - begin + 1;
    if (segment_words != layout.directory_offset() + layout.directory_size + TYPE13_TRAILER_WORDS) {
        return failure(type13_error("state count does not match the segment address range"));
    }
    return layout;
}

std::uint32_t type13_window_first(const Type13Layout& layout, std::uint32_t earlier, double epoch,
                                  double epoch_before, double epoch_after) {
    const std::int64_t window = layout.window_size;
    std::int64_t first;
    if (window % 2 == 0) {
        first = std::int64_t{earlier} - window / 2;
    } else {
        std::int64_t nearest = earlier;
        if (earlier == layout.state_count || (earlier > 0 && epoch - epoch_before < epoch_after - epoch)) {
            nearest = std::int64_t{earlier} - 1;
        }
        first = nearest - (window - 1) / 2;
    }
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(first, 0, std::int64_t{layout.state_count} - window));
}

Result<Type13Window, SpkError> build_type13_window(std::uint32_t first, std::span<const double> states,
                                                   std::span<const double> epochs) {
    const std::size_t size = epochs.size();
    assert(states.size() == TYPE13_STATE_WORDS * size && size > 0);
    for (const double word : states) {
        if (!std::isfinite(word)) return failure(type13_error("states must be finite"));
    }
    Type13Window window{first, epochs[0], std::vector<double>(2 * size), std::vector<double>(6 * size)};
    for (std::size_t i = 0; i < size; ++i) {
        // Offsets from the first epoch keep the polynomial's arguments small.
        window.nodes[2 * i] = window.nodes[2 * i + 1] = epochs[i] - window.base_epoch;
    }
    const std::size_t terms = 2 * size;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::span<double> c = std::span(window.coefficients).subspan(axis * terms, terms);
        for (std::size_t i = 0; i < size; ++i) c[2 * i] = c[2 * i + 1] = states[TYPE13_STATE_WORDS * i + axis];
        // Divided differences in place, highest index first; a node met twice takes
        // the velocity as its first difference.
        for (std::size_t j = terms - 1; j >= 1; --j) {
            c[j] = j % 2 == 1 ? states[TYPE13_STATE_WORDS * (j / 2) + 3 + axis]
                              : (c[j] - c[j - 1]) / (window.nodes[j] - window.nodes[j - 1]);
        }
        for (std::size_t level = 2; level < terms; ++level) {
            for (std::size_t j = terms - 1; j >= level; --j) {
                c[j] = (c[j] - c[j - 1]) / (window.nodes[j] - window.nodes[j - level]);
            }
        }
    }
    return window;
}

void evaluate_type13_window(const Type13Window& window, std::span<const double> epochs,
                            std::span<StateVector> states) {
    assert(epochs.size() == states.size());
    const std::size_t terms = window.nodes.size();
    for (std::size_t e = 0; e < epochs.size(); ++e) {
        const double u = epochs[e] - window.base_epoch;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const double* c = window.coefficients.data() + axis * terms;
            // Horner on the Newton form, carrying the derivative along.
            double value = c[terms - 1];
            double slope = 0;
            for (std::size_t k = terms - 1; k-- > 0;) {
                const double factor = u - window.nodes[k];
                slope = slope * factor + value;
                value = value * factor + c[k];
            }
            states[e].position[axis] = value;
            states[e].velocity[axis] = slope;
        }
    }
}

}  // namespace orbyx
