#include "ext/native/house_functions.hpp"

#include <optional>
#include <string>

#include "ext/houses/chart_houses.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"  // succeeded
#include "python/errors.hpp"

namespace orbyx::ext {
namespace {

using python::Parameters;
using python::Signature;

const char* const PARAMETERS[] = {"observer", "ut1", "tt", "system", "fallback"};
const Signature HOUSE_CUSPS = {"house_cusps", PARAMETERS, 5, 4};

std::optional<AnyHouseSystem> system_argument(PyObject* value) {
    const auto name = python::extract_name(value);
    if (!name) return std::nullopt;
    const auto system = house_system_named(*name);
    if (!system) {
        python::raise_value_error("unknown house system \"" + normalised_house_system_name(*name) + "\"");
    }
    return system;
}

PyObject* new_houses(const ChartHouses& houses) {
    PyRef name = PyRef::steal(new_text(house_system_name(houses.system)));
    if (!name) return nullptr;
    const auto& c = houses.cusps_deg;
    return Py_BuildValue("(O(dddddddddddd)ddddddO)", name.get(), c[0], c[1], c[2], c[3], c[4], c[5],
                         c[6], c[7], c[8], c[9], c[10], c[11], houses.ascendant_deg,
                         houses.midheaven_deg, houses.ramc_deg, houses.true_obliquity_deg,
                         houses.vertex_deg, houses.east_point_deg,
                         houses.fallback_used ? Py_True : Py_False);
}

}  // namespace

PyObject* house_cusps_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    Parameters<5> parameters;
    if (!python::bind(HOUSE_CUSPS, args, nargs, kwnames, parameters)) return nullptr;
    const auto observer = orbyx_observer_argument(parameters[0], HOUSE_CUSPS, 0);
    if (!observer) return nullptr;
    const auto ut1 = julian_day_argument(parameters[1]);
    if (!ut1) return nullptr;
    const auto tt = julian_day_argument(parameters[2]);
    if (!tt) return nullptr;
    const auto system = system_argument(parameters[3]);
    if (!system) return nullptr;
    std::optional<AnyHouseSystem> fallback;
    if (parameters[4] != nullptr && parameters[4] != Py_None) {
        fallback = system_argument(parameters[4]);
        if (!fallback) return nullptr;
    }
    const auto houses = chart_houses(*observer, *system, fallback, *ut1, *tt);
    if (!python::succeeded(houses)) return nullptr;
    return new_houses(*houses);
}

}  // namespace orbyx::ext
