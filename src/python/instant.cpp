#include <cmath>

#include "core/format.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/names.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const Instant& instant_of(PyObject* self) { return value_of<Instant>(self); }

// Arguments are converted first; then the day must be finite.
PyObject* make(PyTypeObject* type, std::optional<double> julian_day, TimeScale scale) {
    if (!julian_day) return nullptr;
    if (!std::isfinite(*julian_day)) return raise_value_error("Julian day must be finite");
    return wrap_value(type, Instant{*julian_day, scale});
}

const char* const PARAMETERS[] = {"julian_day", "time_scale"};
const Signature CONSTRUCTOR = {"Instant", PARAMETERS, 2, 1};

PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    Parameters<2> parameters;
    if (!bind(CONSTRUCTOR, args, kwargs, parameters)) return nullptr;
    const auto julian_day = extract_float(parameters[0], CONSTRUCTOR, 0);
    if (!julian_day) return nullptr;
    std::string_view scale_text = "tdb";
    if (parameters[1] != nullptr) {
        const auto text = extract_str(parameters[1], CONSTRUCTOR, 1);
        if (!text) return nullptr;
        scale_text = *text;
    }
    if (!std::isfinite(*julian_day)) return raise_value_error("Julian day must be finite");
    auto scale = parse_time_scale(scale_text);
    if (!scale) return raise_value_error(scale.error());
    return wrap_value(type, Instant{*julian_day, *scale});
}

template <TimeScale Scale>
PyObject* in_scale(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const Signature signature = {canonical_name(Scale), PARAMETERS, 1, 1};
    Parameters<1> parameters;
    if (!bind(signature, args, nargs, kwnames, parameters)) return nullptr;
    return make(reinterpret_cast<PyTypeObject*>(cls), extract_float(parameters[0], signature, 0),
                Scale);
}

PyObject* julian_day(PyObject* self, void*) { return new_float(instant_of(self).julian_day); }
PyObject* time_scale(PyObject* self, void*) {
    return new_str(canonical_name(instant_of(self).time_scale));
}

PyObject* repr(PyObject* self) {
    const Instant& instant = instant_of(self);
    return new_str("Instant(" + format_number_debug(instant.julian_day) +
                   ", time_scale=" + quote(canonical_name(instant.time_scale)) + ")");
}

constexpr ModuleClass INSTANT = &ModuleClasses::instant;
constexpr int CLASS_FAST_CALL = METH_CLASS | METH_FASTCALL | METH_KEYWORDS;

PyMethodDef methods[] = {
    {"tdb", as_method(class_member<INSTANT, in_scale<TimeScale::Tdb>>), CLASS_FAST_CALL,
     "tdb($cls, julian_day)\n--\n\n"},
    {"tt", as_method(class_member<INSTANT, in_scale<TimeScale::Tt>>), CLASS_FAST_CALL,
     "tt($cls, julian_day)\n--\n\n"},
    {"utc", as_method(class_member<INSTANT, in_scale<TimeScale::Utc>>), CLASS_FAST_CALL,
     "utc($cls, julian_day)\n--\n\n"},
    {"ut1", as_method(class_member<INSTANT, in_scale<TimeScale::Ut1>>), CLASS_FAST_CALL,
     "ut1($cls, julian_day)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef properties[] = {
    {"julian_day", instance_member<INSTANT, julian_day>, nullptr, nullptr, nullptr},
    {"time_scale", instance_member<INSTANT, time_scale>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("Instant(julian_day, time_scale=\"tdb\")\n--\n\n"
                                  "Julian day with an explicit time scale.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<INSTANT, construct>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<Instant>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<INSTANT, repr>)},
    {Py_tp_methods, methods},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.Instant", sizeof(ValueObject<Instant>), 0, Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyRef create_instant_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_instant(const Instant& instant) {
    return wrap_value(module_classes().instant, instant);
}

std::optional<double> extract_julian_day(PyObject* value) {
    double julian_day = 0.0;
    if (Py_TYPE(value) == module_classes().instant) {
        if (!check_holds_value(value)) return std::nullopt;
        julian_day = instant_of(value).julian_day;
    } else {
        const auto number = extract_float(value);
        if (!number) {
            PyErr_Clear();  // the host's own conversion message says less than this one
            raise_value_error("expected an Instant or a finite Julian day float");
            return std::nullopt;
        }
        julian_day = *number;
    }
    if (!std::isfinite(julian_day)) {
        raise_value_error("Julian day must be finite");
        return std::nullopt;
    }
    return julian_day;
}

const Instant* instant_argument(PyObject* value, const Signature& signature, std::size_t index) {
    return value_argument<Instant>(value, module_classes().instant, signature, index);
}

}  // namespace orbyx::python
