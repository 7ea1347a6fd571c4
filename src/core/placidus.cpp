#include "core/placidus.hpp"

#include <cmath>
#include <cstddef>

#include "core/angle_reduction.hpp"

namespace orbyx {
namespace {

constexpr int MAX_ITERATIONS = 100;
constexpr double TOLERANCE_RAD = 1e-12;

// Right ascension of the cusp point for the diurnal semi-arc of its declination.
double placidus_right_ascension(double ramc, int house, double diurnal_semi_arc) {
    switch (house) {
        case 11: return ramc + diurnal_semi_arc / 3.0;
        case 12: return ramc + 2.0 * diurnal_semi_arc / 3.0;
        case 2: return (ramc + PI) + 2.0 * (PI - diurnal_semi_arc) / -3.0;
        default: return (ramc + PI) + (PI - diurnal_semi_arc) / -3.0;  // house 3
    }
}

// What the steps share: the site and the slope of the ecliptic's declination.
struct PlacidusFrame {
    double ramc, cos_latitude_squared, minus_tan_latitude, tan_obliquity, cos_obliquity;

    explicit PlacidusFrame(const PlacidusSky& sky)
        : ramc(sky.ramc),
          cos_latitude_squared(sky.cos_latitude * sky.cos_latitude),
          minus_tan_latitude(-sky.sin_latitude / sky.cos_latitude),
          tan_obliquity(sky.sin_obliquity / std::fabs(sky.cos_obliquity)),
          cos_obliquity(sky.cos_obliquity) {}
};

// One cusp's fixed point on its declination, stepped from outside. The ecliptic point
// at right ascension alpha has tan(delta) = tan(eps) sin(alpha), which is what the
// arcsine of sin(eps) sin(lambda) comes to, so a step costs one acos and one sin and
// carries the declination as its tangent t (cos^2 delta = 1 / (1 + t^2)). The tests on
// cos(phi) cos(delta) and on |delta' - delta| = |t' - t| cos(delta) cos(delta') (its sine,
// equal to it in doubles near the tolerance) are taken squared, without roots.
class PlacidusSearch {
public:
    enum class Step { Going, Settled, Failed };

    explicit PlacidusSearch(int house) : house_(house) {}

    // Failed where the cusp point never rises or sets.
    Step step(const PlacidusFrame& frame) {
        const double declination_term = 1.0 + tan_declination_ * tan_declination_;
        if (frame.cos_latitude_squared < 1e-36 * declination_term) return Step::Failed;
        const double q = tan_declination_ * frame.minus_tan_latitude;
        if (!(std::fabs(q) <= 1.0)) return Step::Failed;  // also refuses NaN
        const double ra = placidus_right_ascension(frame.ramc, house_, std::acos(q));
        const double next_tan = frame.tan_obliquity * std::sin(ra);
        const double change = next_tan - tan_declination_;
        const bool change_below_quarter_turn = 1.0 + next_tan * tan_declination_ > 0.0;
        if (change_below_quarter_turn &&
            change * change < TOLERANCE_RAD * TOLERANCE_RAD *
                                  (declination_term * (1.0 + next_tan * next_tan))) {
            right_ascension_ = ra;
            return Step::Settled;
        }
        tan_declination_ = next_tan;
        return Step::Going;
    }

    // Taken once the search has settled.
    double longitude(const PlacidusFrame& frame) const {
        return reduced_to_turn_rad(std::atan2(std::sin(right_ascension_),
                                              frame.cos_obliquity * std::cos(right_ascension_)));
    }

private:
    int house_;
    double tan_declination_ = 0.0;
    double right_ascension_ = 0.0;
};

}  // namespace

std::optional<std::array<double, 4>> placidus_searched_cusps(const PlacidusSky& sky) {
    std::array<PlacidusSearch, 4> searches{
        PlacidusSearch(PLACIDUS_SEARCHED_HOUSES[0]), PlacidusSearch(PLACIDUS_SEARCHED_HOUSES[1]),
        PlacidusSearch(PLACIDUS_SEARCHED_HOUSES[2]), PlacidusSearch(PLACIDUS_SEARCHED_HOUSES[3])};
    std::array<bool, 4> settled{};
    const PlacidusFrame frame(sky);
    // The searches are independent: stepped side by side, the processor overlaps their
    // chains of dependent calls. Any failure fails the whole division, as in turn.
    for (int iteration = 0; iteration < MAX_ITERATIONS; ++iteration) {
        bool all_settled = true;
        for (std::size_t i = 0; i < searches.size(); ++i) {
            if (settled[i]) continue;
            switch (searches[i].step(frame)) {
                case PlacidusSearch::Step::Failed: return std::nullopt;
                case PlacidusSearch::Step::Settled: settled[i] = true; break;
                case PlacidusSearch::Step::Going: all_settled = false; break;
            }
        }
        if (all_settled) break;
    }
    if (settled != std::array<bool, 4>{true, true, true, true}) return std::nullopt;
    std::array<double, 4> cusps{};
    for (std::size_t i = 0; i < searches.size(); ++i) cusps[i] = searches[i].longitude(frame);
    return cusps;
}

}  // namespace orbyx
