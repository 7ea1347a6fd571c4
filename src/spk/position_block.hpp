#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <variant>

#include "core/types.hpp"
#include "spk/output_frame.hpp"

namespace orbyx {

// Relative states on their way to positions, held by component so that the fixed
// J2000 rotation and the spherical conversion run several states at a time. A
// converted position equals position_from_state's for the same state and frame, bit for bit.
class PositionBlock {
public:
    static constexpr std::size_t CAPACITY = 64;

    std::size_t size() const { return size_; }
    bool full() const { return size_ == CAPACITY; }
    void clear() { size_ = 0; }

    // Queues `relative`, a kernel-frame state, for a position in `frame`.
    void add(const CartesianState& relative, const OutputFrame& frame) {
        if (const auto* of_date = std::get_if<OfDateRotation>(&frame.axes)) {
            add_of_date(relative, *of_date);
        } else {
            queue(relative, std::holds_alternative<OutputFrame::J2000Ecliptic>(frame.axes));
        }
    }

    // Converts the queued states in order into the first size() slots of `positions`
    // and returns how many it converted: fewer than size() when position_from_state
    // would reject the state at that index.
    std::size_t convert(std::span<Position, CAPACITY> positions);

private:
    using Column = std::array<double, CAPACITY>;

    void add_of_date(const CartesianState& relative, const OfDateRotation& rotation);

    void queue(const CartesianState& state, bool to_ecliptic) {
        x_[size_] = state.position[0];
        y_[size_] = state.position[1];
        z_[size_] = state.position[2];
        vx_[size_] = state.velocity[0];
        vy_[size_] = state.velocity[1];
        vz_[size_] = state.velocity[2];
        to_ecliptic_[size_] = to_ecliptic ? 1.0 : 0.0;
        ++size_;
    }

    std::size_t size_ = 0;
    alignas(32) Column x_;
    alignas(32) Column y_;
    alignas(32) Column z_;
    alignas(32) Column vx_;
    alignas(32) Column vy_;
    alignas(32) Column vz_;
    alignas(32) Column to_ecliptic_;  // 1 where the J2000 ecliptic rotation is still due, else 0
};

}  // namespace orbyx
