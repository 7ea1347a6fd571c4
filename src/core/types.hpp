#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbyx {

// Declared order indexes the NAIF id table.
enum class Body { Sun, Moon, Mercury, Venus, Earth, Mars, Jupiter, Saturn, Uranus, Neptune, Pluto };

std::string_view debug_name(Body body);
// The planet centre (x99) or Sun/Moon id used for position requests.
std::int32_t naif_id(Body body);

enum class TimeScale { Utc, Ut1, Tt, Tdb };

std::string_view debug_name(TimeScale scale);
// The lower-case name used at the Python surface ("utc", "ut1", "tt", "tdb").
std::string_view canonical_name(TimeScale scale);

enum class HorizonEventKind { Rise, Set, Transit };

std::string_view debug_name(HorizonEventKind kind);

// Not validated on construction; conversions reject a non-finite day.
struct Instant {
    double julian_day;
    TimeScale time_scale;
};

// Kilometres and kilometres per second, kernel-frame axes unless rotated.
struct CartesianState {
    std::array<double, 3> position;
    std::array<double, 3> velocity;

    // Every component finite: v - v is zero for a finite v and NaN otherwise. The
    // sums pair up so that the additions do not wait on one another in a chain.
    bool is_finite() const {
        const auto zero_if_finite = [](double v) { return v - v; };
        const double sum = (zero_if_finite(position[0]) + zero_if_finite(position[1])) +
                           (zero_if_finite(position[2]) + zero_if_finite(velocity[0])) +
                           (zero_if_finite(velocity[1]) + zero_if_finite(velocity[2]));
        return sum == 0.0;
    }
};

struct Position {
    double longitude_deg;
    double latitude_deg;
    double distance_au;
    double longitude_speed_deg_per_day;
};

// A site on the GRS80 ellipsoid (ITRS).
struct GeodeticObserver {
    double longitude_east_deg;
    double latitude_deg;
    double height_m;
};

enum class OriginKind { Barycentric, Heliocentric, Geocentric, Topocentric };

struct Origin {
    OriginKind kind;
    GeodeticObserver observer{};  // meaningful only for Topocentric
};

enum class CoordinateSystem { Equatorial, Ecliptic };

enum class ReferenceEpoch { J2000, OfDate };

struct Corrections {
    bool light_time = false;
    bool aberration = false;
    bool gravitational_deflection = false;
    bool precession = false;
    bool nutation = false;
};

struct PositionOptions {
    Origin origin;
    CoordinateSystem coordinate_system;
    ReferenceEpoch reference_epoch;
    bool apparent = false;
    bool true_ecliptic = false;
    Corrections corrections{};
};

enum class SiderealMode { Lahiri, FaganBradley };

enum class HouseSystem { Placidus, Campanus, Equal, WholeSign };

enum class SeasonEvent { MarchEquinox, JuneSolstice, SeptemberEquinox, DecemberSolstice };

enum class LunationEvent { NewMoon, FullMoon };

// Ecliptic longitudes on the true ecliptic and equinox of date, degrees.
struct HouseCusps {
    HouseSystem system;
    std::array<double, 12> cusp_ecliptic_longitude_deg;  // house 1 first, each in [0, 360)
    double ascendant_deg;
    double midheaven_deg;
    double ramc_deg;
    double local_sidereal_time_deg;  // always equal to ramc_deg
    double true_obliquity_deg;       // not reduced
};

// Rise and set are both present or both absent (a body that never crosses).
struct RiseSetTransit {
    std::optional<double> rise_ut1_julian_day;
    std::optional<double> set_ut1_julian_day;
    double transit_ut1_julian_day;
};

struct HorizonEvent {
    HorizonEventKind kind;
    double ut1_julian_day;
};

// Inclusive bounds in `time_scale`.
struct DateRange {
    double start_julian_day;
    double end_julian_day;
    TimeScale time_scale;
};

struct KernelProvenance {
    std::string name;
    std::string sha256;
};

inline constexpr std::string_view ENGINE_VERSION = "0.1.0";
inline constexpr std::string_view COORDINATE_FRAME = "ICRF/J2000";

struct EphemerisMetadata {
    std::string engine_version;
    std::string kernel_name;
    std::string kernel_sha256;
    std::string coordinate_frame;
    std::vector<KernelProvenance> additional_kernels;
};

}  // namespace orbyx
