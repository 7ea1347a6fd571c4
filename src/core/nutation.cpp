#include "core/nutation.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/iau2000b_table.hpp"

namespace orbyx {
namespace {

// 0.1 microarcsecond in radians.
constexpr double TENTH_MICROARCSECOND_TO_RADIANS = 4.848136811095359e-13;
// Fixed planetary offsets of IAU 2000B: -0.135 mas in longitude, +0.388 mas in obliquity.
constexpr double PLANETARY_DPSI_RAD = -6.544984694978736e-10;
constexpr double PLANETARY_DEPS_RAD = 1.8810770827049994e-9;

double fundamental_argument_rad(double arcseconds) {
    return remainder_by_whole_period(arcseconds, ARCSECONDS_PER_TURN) * ARCSECONDS_TO_RADIANS;
}

}  // namespace

double moon_node_longitude_rad(double julian_centuries) {
    return fundamental_argument_rad(450160.398036 - 6962890.5431 * julian_centuries);
}

namespace {

// cos and sin of one angle; products add the angles.
struct UnitPhasor {
    double cos, sin;

    UnitPhasor operator*(const UnitPhasor& other) const {
        return {cos * other.cos - sin * other.sin, sin * other.cos + cos * other.sin};
    }
};

// The series multiplies each fundamental argument by a small integer: one sincos per
// argument and products give every multiple, instead of a sincos per term.
class AngleMultiples {
public:
    static constexpr int LARGEST_MULTIPLIER = 4;

    explicit AngleMultiples(double angle_rad) {
        const UnitPhasor once{std::cos(angle_rad), std::sin(angle_rad)};
        multiples_[LARGEST_MULTIPLIER] = {1.0, 0.0};
        for (int k = 1; k <= LARGEST_MULTIPLIER; ++k) {
            const UnitPhasor next = multiples_[LARGEST_MULTIPLIER + k - 1] * once;
            multiples_[LARGEST_MULTIPLIER + k] = next;
            multiples_[LARGEST_MULTIPLIER - k] = {next.cos, -next.sin};
        }
    }

    const UnitPhasor& of(std::int32_t multiplier) const {
        return multiples_[LARGEST_MULTIPLIER + multiplier];
    }

private:
    std::array<UnitPhasor, 2 * LARGEST_MULTIPLIER + 1> multiples_{};
};

Nutation evaluate_nutation_iau2000b(double julian_day) {
    const double t = julian_centuries_since_j2000(julian_day);
    const double l = fundamental_argument_rad(485868.249036 + 1717915923.2178 * t);
    const double lp = fundamental_argument_rad(1287104.79305 + 129596581.0481 * t);
    const double f = fundamental_argument_rad(335779.526232 + 1739527262.8478 * t);
    const double d = fundamental_argument_rad(1072260.70369 + 1602961601.209 * t);
    const double om = moon_node_longitude_rad(t);

    const AngleMultiples multiples[] = {AngleMultiples(l), AngleMultiples(lp), AngleMultiples(f),
                                        AngleMultiples(d), AngleMultiples(om)};

    // Smallest terms first.
    double longitude_sum = 0.0;
    double obliquity_sum = 0.0;
    for (auto term = IAU2000B_LUNI_SOLAR_TERMS.rbegin(); term != IAU2000B_LUNI_SOLAR_TERMS.rend();
         ++term) {
        const UnitPhasor phasor = multiples[0].of(term->nl) * multiples[1].of(term->nlp) *
                                  multiples[2].of(term->nf) * multiples[3].of(term->nd) *
                                  multiples[4].of(term->nom);
        longitude_sum += (term->ps + term->pst * t) * phasor.sin + term->pc * phasor.cos;
        obliquity_sum += (term->ec + term->ect * t) * phasor.cos + term->es * phasor.sin;
    }
    return {longitude_sum * TENTH_MICROARCSECOND_TO_RADIANS + PLANETARY_DPSI_RAD,
            obliquity_sum * TENTH_MICROARCSECOND_TO_RADIANS + PLANETARY_DEPS_RAD};
}

}  // namespace

Nutation nutation_iau2000b(double julian_day) {
    // One request asks for the same days several times (the site and sidereal time
    // at TT, the frame at TDB), and a search repeats that per step: keep the last two.
    struct Entry {
        double julian_day = std::numeric_limits<double>::quiet_NaN();  // NaN matches nothing
        Nutation nutation{};
    };
    thread_local std::array<Entry, 2> recent;
    thread_local std::size_t oldest = 0;
    for (const Entry& entry : recent) {
        if (entry.julian_day == julian_day) return entry.nutation;
    }
    recent[oldest] = {julian_day, evaluate_nutation_iau2000b(julian_day)};
    const Nutation& result = recent[oldest].nutation;
    oldest = 1 - oldest;
    return result;
}

}  // namespace orbyx
