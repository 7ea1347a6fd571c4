#include "python/house_cusps_function.hpp"

#include "core/houses.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/names.hpp"

namespace orbyx::python {
namespace {

const char* const PARAMETERS[] = {"observer", "ut1", "tt", "system"};
const Signature HOUSE_CUSPS = {"house_cusps", PARAMETERS, 4, 4};

}  // namespace

PyObject* house_cusps_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames) {
    Parameters<4> parameters;
    if (!bind(HOUSE_CUSPS, args, nargs, kwnames, parameters)) return nullptr;
    const GeodeticObserver* observer = observer_argument(parameters[0], HOUSE_CUSPS, 0);
    if (observer == nullptr) return nullptr;
    const auto ut1 = extract_julian_day(parameters[1]);
    if (!ut1) return nullptr;
    const auto tt = extract_julian_day(parameters[2]);
    if (!tt) return nullptr;
    const auto system_name = extract_name(parameters[3]);
    if (!system_name) return nullptr;
    const auto system = parse_house_system(*system_name);
    if (!system) return raise_value_error(system.error());
    const auto cusps = house_cusps(*observer, *system, *ut1, *tt);
    if (!cusps) return raise_value_error(message(cusps.error()));
    return new_house_cusps(*cusps);
}

}  // namespace orbyx::python
