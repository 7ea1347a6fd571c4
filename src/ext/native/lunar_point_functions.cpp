#include "ext/native/lunar_point_functions.hpp"

#include <optional>

#include "core/format.hpp"
#include "ext/lunar_points/lunar_point.hpp"
#include "ext/native/ayanamsha_arguments.hpp"
#include "ext/native/engine_call.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/shared_conversions.hpp"
#include "python/arguments.hpp"
#include "python/engine_use.hpp"
#include "python/errors.hpp"

namespace orbyx::ext {
namespace {

using python::Signature;

const char* const LUNAR_POINT_PARAMETERS[] = {"engine", "point", "instant", "sidereal_mode"};
const Signature LUNAR_POINT = {"lunar_point", LUNAR_POINT_PARAMETERS, 4, 3};

std::optional<LunarPointKind> point_argument(PyObject* value, const Signature& signature, std::size_t index) {
    const auto text = python::extract_str(value, signature, index);
    if (!text) return std::nullopt;
    const auto kind = parse_lunar_point(*text);
    if (!kind) python::raise_value_error("unknown lunar point " + quote(*text));
    return kind;
}

}  // namespace

PyObject* lunar_point_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    EngineCall<4> call(LUNAR_POINT, args, nargs, kwnames);
    if (!call) return nullptr;
    const auto kind = point_argument(call[1], LUNAR_POINT, 1);
    if (!kind) return nullptr;
    const auto instant = orbyx_instant_argument(call[2], LUNAR_POINT, 2);
    if (!instant) return nullptr;
    std::optional<SiderealOrigin> origin;
    if (call[3] != nullptr && call[3] != Py_None) {
        origin = sidereal_origin_argument(call[3], LUNAR_POINT, 3);
        if (!origin) return nullptr;
    }
    SpkEphemeris* engine = call.engine();
    if (engine == nullptr) return nullptr;
    const auto point = lunar_point(*engine, *kind, *instant, origin);
    if (!python::succeeded(point)) return nullptr;
    return Py_BuildValue("(ddd)", point->longitude_deg, point->latitude_deg, point->longitude_speed_deg_per_day);
}

}  // namespace orbyx::ext
