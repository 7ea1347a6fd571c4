#include "core/nutation.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "core/iau2000b_table.hpp"
#include "core/lanes.hpp"

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

// cos and sin of one angle, a double or vector lanes of them; products add the angles.
template <class Value>
struct UnitPhasor {
    Value cos, sin;

    UnitPhasor operator*(const UnitPhasor& other) const {
        return {cos * other.cos - sin * other.sin, sin * other.cos + cos * other.sin};
    }
};

constexpr std::size_t FUNDAMENTAL_ARGUMENTS = 5;
constexpr int LARGEST_MULTIPLIER = 4;
constexpr std::size_t MULTIPLES_PER_ARGUMENT = 2 * LARGEST_MULTIPLIER + 1;

// Every multiple -4x ... 4x of the five fundamental arguments, argument by argument:
// one sincos per argument and products give them all, instead of a sincos per term.
template <class Value>
using ArgumentMultiples = std::array<UnitPhasor<Value>, FUNDAMENTAL_ARGUMENTS * MULTIPLES_PER_ARGUMENT>;

std::size_t multiple_slot(std::size_t argument, std::int32_t multiplier) {
    return argument * MULTIPLES_PER_ARGUMENT + static_cast<std::size_t>(LARGEST_MULTIPLIER + multiplier);
}

template <class Value>
UnitPhasor<Value> phasor_of(const Value& angle_rad) {
    UnitPhasor<Value> phasor;
    for (std::size_t lane = 0; lane < LANE_COUNT<Value>; ++lane) {
        set_lane(phasor.cos, lane, std::cos(lane_value(angle_rad, lane)));
        set_lane(phasor.sin, lane, std::sin(lane_value(angle_rad, lane)));
    }
    return phasor;
}

template <class Value>
ArgumentMultiples<Value> argument_multiples(const std::array<Value, FUNDAMENTAL_ARGUMENTS>& arguments_rad) {
    ArgumentMultiples<Value> multiples;  // every slot is written below
    for (std::size_t argument = 0; argument < FUNDAMENTAL_ARGUMENTS; ++argument) {
        const UnitPhasor<Value> once = phasor_of(arguments_rad[argument]);
        multiples[multiple_slot(argument, 0)] = {broadcast<Value>(1.0), broadcast<Value>(0.0)};
        for (int k = 1; k <= LARGEST_MULTIPLIER; ++k) {
            const UnitPhasor<Value> next = multiples[multiple_slot(argument, k - 1)] * once;
            multiples[multiple_slot(argument, k)] = next;
            multiples[multiple_slot(argument, -k)] = {next.cos, -next.sin};
        }
    }
    return multiples;
}

// A term's phasor is the product of its arguments' multiples in argument order. A
// zero multiplier contributes (1, 0), whose product leaves the other factor's bits
// as they are, so only the nonzero multiples are multiplied: 138 products, not 308.
struct TermFactors {
    std::uint8_t count;
    std::array<std::uint8_t, FUNDAMENTAL_ARGUMENTS> slots;
};

std::array<TermFactors, IAU2000B_LUNI_SOLAR_TERMS.size()> term_factors() {
    std::array<TermFactors, IAU2000B_LUNI_SOLAR_TERMS.size()> factors{};
    for (std::size_t i = 0; i < IAU2000B_LUNI_SOLAR_TERMS.size(); ++i) {
        const LuniSolarTerm& term = IAU2000B_LUNI_SOLAR_TERMS[i];
        const std::int32_t multipliers[FUNDAMENTAL_ARGUMENTS] = {term.nl, term.nlp, term.nf, term.nd, term.nom};
        TermFactors& f = factors[i];
        for (std::size_t argument = 0; argument < FUNDAMENTAL_ARGUMENTS; ++argument) {
            if (multipliers[argument] != 0) {
                f.slots[f.count++] = static_cast<std::uint8_t>(multiple_slot(argument, multipliers[argument]));
            }
        }
    }
    return factors;
}

// The fundamental arguments at centuries `t`, reduced lane by lane.
template <class Value>
std::array<Value, FUNDAMENTAL_ARGUMENTS> fundamental_arguments(const Value& t) {
    std::array<Value, FUNDAMENTAL_ARGUMENTS> arguments;
    for (std::size_t lane = 0; lane < LANE_COUNT<Value>; ++lane) {
        const double centuries = lane_value(t, lane);
        set_lane(arguments[0], lane, fundamental_argument_rad(485868.249036 + 1717915923.2178 * centuries));
        set_lane(arguments[1], lane, fundamental_argument_rad(1287104.79305 + 129596581.0481 * centuries));
        set_lane(arguments[2], lane, fundamental_argument_rad(335779.526232 + 1739527262.8478 * centuries));
        set_lane(arguments[3], lane, fundamental_argument_rad(1072260.70369 + 1602961601.209 * centuries));
        set_lane(arguments[4], lane, moon_node_longitude_rad(centuries));
    }
    return arguments;
}

// Nutation in longitude and obliquity at each lane's Julian day. The sums run term by
// term, so their cost is the latency of one long chain of additions: a second day in
// the other lane comes almost free.
template <class Value>
std::pair<Value, Value> evaluate_nutation_iau2000b(const Value& julian_day) {
    static const auto FACTORS = term_factors();
    Value t;
    for (std::size_t lane = 0; lane < LANE_COUNT<Value>; ++lane) {
        set_lane(t, lane, julian_centuries_since_j2000(lane_value(julian_day, lane)));
    }
    const ArgumentMultiples<Value> multiples = argument_multiples(fundamental_arguments(t));

    // Smallest terms first.
    Value longitude_sum = broadcast<Value>(0.0);
    Value obliquity_sum = broadcast<Value>(0.0);
    for (std::size_t i = IAU2000B_LUNI_SOLAR_TERMS.size(); i-- > 0;) {
        const LuniSolarTerm& term = IAU2000B_LUNI_SOLAR_TERMS[i];
        const TermFactors& factors = FACTORS[i];
        UnitPhasor<Value> phasor = multiples[factors.slots[0]];
        for (std::size_t k = 1; k < factors.count; ++k) phasor = phasor * multiples[factors.slots[k]];
        longitude_sum += (term.ps + term.pst * t) * phasor.sin + term.pc * phasor.cos;
        obliquity_sum += (term.ec + term.ect * t) * phasor.cos + term.es * phasor.sin;
    }
    return {longitude_sum * TENTH_MICROARCSECOND_TO_RADIANS + PLANETARY_DPSI_RAD,
            obliquity_sum * TENTH_MICROARCSECOND_TO_RADIANS + PLANETARY_DEPS_RAD};
}

// One request asks for the same days several times (the site and sidereal time at
// TT, the frame at TDB), and a search repeats that per step: the last two are kept.
struct RecentNutation {
    double julian_day = std::numeric_limits<double>::quiet_NaN();  // NaN matches nothing
    Nutation nutation{};
};
thread_local std::array<RecentNutation, 2> recent_nutations;
thread_local std::size_t oldest_nutation = 0;

const Nutation* recent_nutation(double julian_day) {
    for (const RecentNutation& entry : recent_nutations) {
        if (entry.julian_day == julian_day) return &entry.nutation;
    }
    return nullptr;
}

const Nutation& remember_nutation(double julian_day, const Nutation& nutation) {
    RecentNutation& entry = recent_nutations[oldest_nutation];
    entry = {julian_day, nutation};
    oldest_nutation = 1 - oldest_nutation;
    return entry.nutation;
}

}  // namespace

Nutation nutation_iau2000b(double julian_day) {
    if (const Nutation* known = recent_nutation(julian_day)) return *known;
    const auto [dpsi, deps] = evaluate_nutation_iau2000b(julian_day);
    return remember_nutation(julian_day, {dpsi, deps});
}

void prepare_nutations_iau2000b(double first_julian_day, double second_julian_day) {
    if (first_julian_day == second_julian_day || recent_nutation(first_julian_day) != nullptr ||
        recent_nutation(second_julian_day) != nullptr) {
        return;
    }
    const Pair days = {first_julian_day, second_julian_day};
    const auto [dpsi, deps] = evaluate_nutation_iau2000b(days);
    remember_nutation(first_julian_day, {dpsi[0], deps[0]});
    remember_nutation(second_julian_day, {dpsi[1], deps[1]});
}

}  // namespace orbyx
