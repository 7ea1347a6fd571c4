#include "ext/ayanamsha/precession_models.hpp"

#include "core/ayanamsha.hpp"

namespace orbyx {
namespace {

// Lieske, Lederle, Fricke & Morando 1977 (A&A 58, 1), p_A from the fixed epoch J2000.
// Its rate exceeds IAU 2006's by 0.30" a century: the older luni-solar precession.
double lieske_1977_general_precession_arcsec(double t) {
    return t * (5029.0966 + t * (1.11113 + t * -0.000006));
}

}  // namespace

std::optional<PrecessionModel> parse_precession_model(std::string_view name) {
    if (name == "iau2006") return PrecessionModel::Iau2006;
    if (name == "iau1976") return PrecessionModel::Iau1976;
    return std::nullopt;
}

double general_precession_arcsec(PrecessionModel model, double julian_centuries) {
    switch (model) {
        case PrecessionModel::Iau2006: return general_precession_arcsec(julian_centuries);
        case PrecessionModel::Iau1976: return lieske_1977_general_precession_arcsec(julian_centuries);
    }
    return general_precession_arcsec(julian_centuries);
}

}  // namespace orbyx
