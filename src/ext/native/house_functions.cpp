#include "ext/native/house_functions.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "ext/houses/chart_houses.hpp"
#include "ext/native/ayanamsha_arguments.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"  // succeeded
#include "python/errors.hpp"

namespace orbyx::ext {
namespace {

using python::Parameters;
using python::Signature;

const char* const PARAMETERS[] = {"observer", "ut1", "tt", "system", "fallback", "sidereal_mode"};
const Signature HOUSE_CUSPS = {"house_cusps", PARAMETERS, 6, 4};

// One bytes object of twenty native doubles: on PyPy each object handed over costs
// more than the division itself, so the Python layer unpacks them.
PyObject* new_houses(const ChartHouses& houses) {
    std::array<double, 20> values{};
    std::copy(houses.cusps_deg.begin(), houses.cusps_deg.end(), values.begin());
    values[12] = houses.ascendant_deg;
    values[13] = houses.midheaven_deg;
    values[14] = houses.ramc_deg;
    values[15] = houses.true_obliquity_deg;
    values[16] = houses.vertex_deg;
    values[17] = houses.east_point_deg;
    values[18] = static_cast<double>(houses.system);
    values[19] = houses.fallback_used ? 1.0 : 0.0;
    return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(values.data()),
                                     static_cast<Py_ssize_t>(sizeof(values)));
}

}  // namespace

std::optional<AnyHouseSystem> house_system_argument(PyObject* value) {
    const auto name = python::extract_name(value);
    if (!name) return std::nullopt;
    const auto system = house_system_named(*name);
    if (!system) {
        python::raise_value_error("unknown house system \"" + normalised_house_system_name(*name) + "\"");
    }
    return system;
}

PyObject* house_cusps_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    Parameters<6> parameters;
    if (!python::bind(HOUSE_CUSPS, args, nargs, kwnames, parameters)) return nullptr;
    const auto observer = orbyx_observer_argument(parameters[0], HOUSE_CUSPS, 0);
    if (!observer) return nullptr;
    const auto ut1 = julian_day_argument(parameters[1]);
    if (!ut1) return nullptr;
    const auto tt = julian_day_argument(parameters[2]);
    if (!tt) return nullptr;
    const auto system = house_system_argument(parameters[3]);
    if (!system) return nullptr;
    std::optional<AnyHouseSystem> fallback;
    if (parameters[4] != nullptr && parameters[4] != Py_None) {
        fallback = house_system_argument(parameters[4]);
        if (!fallback) return nullptr;
    }
    std::optional<SiderealOrigin> origin;
    if (parameters[5] != nullptr && parameters[5] != Py_None) {
        origin = sidereal_origin_argument(parameters[5], HOUSE_CUSPS, 5);
        if (!origin) return nullptr;
    }
    const auto houses = chart_houses(*observer, *system, fallback, *ut1, *tt);
    if (!python::succeeded(houses)) return nullptr;
    if (!origin) return new_houses(*houses);
    const auto offset = sidereal_offset(*origin, *tt);
    if (!python::succeeded(offset)) return nullptr;
    return new_houses(in_sidereal_zodiac(*houses, offset->value_deg));
}

}  // namespace orbyx::ext
