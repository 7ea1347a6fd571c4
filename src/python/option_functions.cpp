#include "python/option_functions.hpp"

#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/names.hpp"

namespace orbyx::python {
namespace {

const char* const PARAMETERS[] = {"origin", "coordinate_system", "observer"};
const Signature GEOMETRIC = {"geometric", PARAMETERS, 3, 0};
const Signature APPARENT = {"apparent", PARAMETERS, 3, 0};

// Ready-made options: geometric at J2000, or the apparent shorthand of date that
// the engine expands into its corrections.
PyObject* position_options_from_origin(const Signature& signature, PyObject* const* args,
                                       Py_ssize_t nargs, PyObject* kwnames,
                                       ReferenceEpoch epoch, bool apparent) {
    Parameters<3> parameters;
    if (!bind(signature, args, nargs, kwnames, parameters)) return nullptr;
    std::string_view origin_text = "geocentric";
    std::string_view coordinate_text = "ecliptic";
    if (parameters[0] != nullptr) {
        const auto text = extract_str(parameters[0], signature, 0);
        if (!text) return nullptr;
        origin_text = *text;
    }
    if (parameters[1] != nullptr) {
        const auto text = extract_str(parameters[1], signature, 1);
        if (!text) return nullptr;
        coordinate_text = *text;
    }
    const GeodeticObserver* observer = nullptr;
    if (parameters[2] != nullptr && parameters[2] != Py_None) {
        observer = observer_argument(parameters[2], signature, 2);
        if (observer == nullptr) return nullptr;
    }
    auto origin = parse_origin(origin_text, observer);
    if (!origin) return raise_value_error(origin.error());
    auto system = parse_coordinate_system(coordinate_text);
    if (!system) return raise_value_error(system.error());
    PositionOptions options{*origin, *system, epoch};
    options.apparent = apparent;
    return new_position_options(options);
}

}  // namespace

PyObject* geometric_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return position_options_from_origin(GEOMETRIC, args, nargs, kwnames, ReferenceEpoch::J2000,
                                        false);
}

PyObject* apparent_function(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
    return position_options_from_origin(APPARENT, args, nargs, kwnames, ReferenceEpoch::OfDate,
                                        true);
}

}  // namespace orbyx::python
