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

constexpr std::size_t FUNDAMENTAL_ARGUMENTS = 5;
constexpr int LARGEST_MULTIPLIER = 4;
constexpr std::size_t MULTIPLES_PER_ARGUMENT = 2 * LARGEST_MULTIPLIER + 1;

// Every multiple -4x ... 4x of the five fundamental arguments, argument by argument:
// one sincos per argument and products give them all, instead of a sincos per term.
using ArgumentMultiples = std::array<UnitPhasor, FUNDAMENTAL_ARGUMENTS * MULTIPLES_PER_ARGUMENT>;

std::size_t multiple_slot(std::size_t argument, std::int32_t multiplier) {
    return argument * MULTIPLES_PER_ARGUMENT + static_cast<std::size_t>(LARGEST_MULTIPLIER + multiplier);
}

ArgumentMultiples argument_multiples(const std::array<double, FUNDAMENTAL_ARGUMENTS>& arguments_rad) {
    ArgumentMultiples multiples;  // every slot is written below
    for (std::size_t argument = 0; argument < FUNDAMENTAL_ARGUMENTS; ++argument) {
        const UnitPhasor once{std::cos(arguments_rad[argument]), std::sin(arguments_rad[argument])};
        multiples[multiple_slot(argument, 0)] = {1.0, 0.0};
        for (int k = 1; k <= LARGEST_MULTIPLIER; ++k) {
            const UnitPhasor next = multiples[multiple_slot(argument, k - 1)] * once;
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

Nutation evaluate_nutation_iau2000b(double julian_day) {
    static const auto FACTORS = term_factors();
    const double t = julian_centuries_since_j2000(julian_day);
    const ArgumentMultiples multiples = argument_multiples({
        fundamental_argument_rad(485868.249036 + 1717915923.2178 * t),
        fundamental_argument_rad(1287104.79305 + 129596581.0481 * t),
        fundamental_argument_rad(335779.526232 + 1739527262.8478 * t),
        fundamental_argument_rad(1072260.70369 + 1602961601.209 * t),
        moon_node_longitude_rad(t),
    });

    // Smallest terms first.
    double longitude_sum = 0.0;
    double obliquity_sum = 0.0;
    for (std::size_t i = IAU2000B_LUNI_SOLAR_TERMS.size(); i-- > 0;) {
        const LuniSolarTerm& term = IAU2000B_LUNI_SOLAR_TERMS[i];
        const TermFactors& factors = FACTORS[i];
        UnitPhasor phasor = multiples[factors.slots[0]];
        for (std::size_t k = 1; k < factors.count; ++k) phasor = phasor * multiples[factors.slots[k]];
        longitude_sum += (term.ps + term.pst * t) * phasor.sin + term.pc * phasor.cos;
        obliquity_sum += (term.ec + term.ect * t) * phasor.cos + term.es * phasor.sin;
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
