#include <string>

#include "core/format.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/engine_open.hpp"
#include "python/engine_use.hpp"
#include "python/thread_token.hpp"

namespace orbyx::python {
namespace {

PyObject* supported_range(PyObject* self, void*) {
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const SpkEphemeris* engine = use.engine();
    return engine ? new_date_range(engine->supported_range()) : nullptr;
}

PyObject* kernel_metadata(PyObject* self, void*) {
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const SpkEphemeris* engine = use.engine();
    return engine ? new_kernel_metadata(engine->metadata()) : nullptr;
}

PyObject* repr(PyObject* self) {
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const EphemerisMetadata& metadata = engine->metadata();
    return new_str("Engine(kernel_name=" + quote(metadata.kernel_name) +
                   ", kernel_sha256=" + quote(metadata.kernel_sha256) + ")");
}

PyObject* construct(PyTypeObject*, PyObject* args, PyObject* kwargs) {
    Parameters<OPEN_PARAMETER_COUNT> parameters;
    if (!bind(engine_open_signature("Engine"), args, kwargs, parameters)) return nullptr;
    return open_engine(engine_open_signature("Engine"), parameters.values.data());
}

// Whether the last reference went on a thread other than the owner, where the
// interpreter can tell.
bool dropped_on_another_thread([[maybe_unused]] const EngineState& state) {
#ifdef PYPY_VERSION
    // PyPy frees objects after a collection, on whichever thread runs then.
    return false;
#else
    // CPython frees an object where its last reference goes (or, for a cycle,
    // where the collector runs).
    return state.owner != current_thread_token();
#endif
}

// The engine is released on whichever thread frees the object: its files and
// mappings belong to the process, and the interpreter lock keeps everything else
// off it meanwhile. Only a call still running on it would keep it (leaked), so
// that nothing is pulled from under that call.
void dealloc(PyObject* self) {
    if (holds_value(self) && value_of<EngineHandle>(self)) {
        EngineHandle& handle = value_of<EngineHandle>(self);
        if (dropped_on_another_thread(*handle)) {
            report_unraisable_runtime_error(
                std::string(ENGINE_TYPE_PATH) + " is unsendable, but is being dropped on another thread");
        }
        if (handle->uses != 0) static_cast<void>(handle.release());
    }
    dealloc_value<EngineHandle>(self);
}

constexpr int FAST_CALL = METH_FASTCALL | METH_KEYWORDS;
constexpr ModuleClass ENGINE = &ModuleClasses::engine;

PyMethodDef methods[] = {
    {"with_leap_second_kernel", as_method(instance_member<ENGINE, with_leap_second_kernel>),
     FAST_CALL,
     "with_leap_second_kernel($self, path, sha256)\n--\n\n"
     "Attach a NAIF leap-second kernel so UTC (and UT1 with EOP) convert."},
    {"with_eop", as_method(instance_member<ENGINE, with_eop>), FAST_CALL,
     "with_eop($self, path, sha256)\n--\n\n"
     "Attach an IERS EOP 20 C04 table for UT1 and polar motion."},
    {"with_time_kernels", as_method(instance_member<ENGINE, with_time_kernels>), FAST_CALL,
     "with_time_kernels($self, leap_second_kernel, leap_second_sha256, eop, eop_sha256)\n--\n\n"
     "Attach both an LSK and an EOP table."},
    {"with_additional_kernel_file", as_method(instance_member<ENGINE, with_additional_kernel_file>),
     FAST_CALL,
     "with_additional_kernel_file($self, path, sha256)\n--\n\n"
     "Attach an extra planet-center SPK. The primary kernel still wins for\n"
     "any body and epoch it already covers. `sha256` is caller-verified."},
    {"position", as_method(instance_member<ENGINE, engine_position>), FAST_CALL,
     "position($self, body, instant, options)\n--\n\n"
     "One spherical position for a named body."},
    {"positions", as_method(instance_member<ENGINE, engine_positions>), FAST_CALL,
     "positions($self, bodies, instants, options)\n--\n\n"
     "Batch positions as a `NumPy` array of shape `(n_instants, n_bodies, 4)`.\n\n"
     "Columns are longitude (deg), latitude (deg), distance (au), and\n"
     "longitude speed (deg/day). Rows are instant-major: entry `[i, b]` is body\n"
     "`b` at instant `i`."},
    {"rise_set_transit", as_method(instance_member<ENGINE, engine_rise_set_transit>), FAST_CALL,
     "rise_set_transit($self, body, observer, around, altitude_deg)\n--\n\n"
     "Same-day Sun or Moon rise, set, and meridian transit (UT1 Julian days)."},
    {"next_horizon_event", as_method(instance_member<ENGINE, engine_next_horizon_event>), FAST_CALL,
     "next_horizon_event($self, body, observer, after, kind, altitude_deg)\n--\n\n"
     "Next Sun or Moon rise, set, or transit strictly after `after`."},
    {"next_season_event", as_method(instance_member<ENGINE, engine_next_season_event>), FAST_CALL,
     "next_season_event($self, after, kind)\n--\n\n"
     "Next equinox or solstice after `after`. Returned instant is TT."},
    {"next_lunation", as_method(instance_member<ENGINE, engine_next_lunation>), FAST_CALL,
     "next_lunation($self, after, kind)\n--\n\n"
     "Next new or full Moon after `after`. Returned instant is TT."},
    {"sidereal_position", as_method(instance_member<ENGINE, engine_sidereal_position>), FAST_CALL,
     "sidereal_position($self, body, instant, options, mode)\n--\n\n"
     "Ecliptic of-date position with Lahiri or Fagan\xE2\x80\x93"
     "Bradley ayanamsha."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef properties[] = {
    {"supported_range", instance_member<ENGINE, supported_range>, nullptr, nullptr, nullptr},
    {"kernel_metadata", instance_member<ENGINE, kernel_metadata>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>("Engine(path, sha256, leap_second_kernel=None, leap_second_sha256=None, "
                       "eop=None, eop_sha256=None)\n--\n\n"
                       "Open SPK kernel and evaluate geometric or apparent spherical positions.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<ENGINE, construct>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<ENGINE, repr>)},
    {Py_tp_methods, methods},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.Engine", sizeof(ValueObject<EngineHandle>), 0, Py_TPFLAGS_DEFAULT,
                    slots};

}  // namespace

PyRef create_engine_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_engine(SpkEphemeris engine) {
    auto state = std::make_unique<EngineState>();
    state->engine = std::move(engine);
    return wrap_value(module_classes().engine, std::move(state));
}

}  // namespace orbyx::python
