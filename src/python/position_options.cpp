#include "core/format.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/names.hpp"
#include "python/numpy_array.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const PositionOptions& options_of(PyObject* self) { return value_of<PositionOptions>(self); }

const char* const PARAMETERS[] = {"origin",
                                  "coordinate_system",
                                  "reference_epoch",
                                  "apparent",
                                  "true_ecliptic",
                                  "light_time",
                                  "aberration",
                                  "gravitational_deflection",
                                  "precession",
                                  "nutation",
                                  "observer"};
const Signature CONSTRUCTOR = {"PositionOptions", PARAMETERS, 11, 2};

// True or False, or a NumPy boolean scalar; nothing else converts.
bool bool_argument(PyObject* value, std::size_t index, bool& out) {
    if (value == nullptr) return true;  // omitted: keeps its default
    if (!PyBool_Check(value)) {
        const auto numpy_bool = is_numpy_bool(value);
        if (!numpy_bool) return false;
        if (!*numpy_bool) {
            raise_wrong_argument_type(CONSTRUCTOR, index, "bool", value);
            return false;
        }
    }
    const int truth = PyObject_IsTrue(value);
    out = truth == 1;
    return truth >= 0;
}

PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    Parameters<11> parameters;
    if (!bind(CONSTRUCTOR, args, kwargs, parameters)) return nullptr;
    const auto origin_text = extract_str(parameters[0], CONSTRUCTOR, 0);
    if (!origin_text) return nullptr;
    const auto coordinate_text = extract_str(parameters[1], CONSTRUCTOR, 1);
    if (!coordinate_text) return nullptr;
    std::optional<std::string_view> epoch_text;
    if (parameters[2] != nullptr) {
        epoch_text = extract_str(parameters[2], CONSTRUCTOR, 2);
        if (!epoch_text) return nullptr;
    }
    PositionOptions options{Origin{OriginKind::Geocentric}, CoordinateSystem::Ecliptic,
                            ReferenceEpoch::J2000};
    bool* const flags[] = {&options.apparent,
                           &options.true_ecliptic,
                           &options.corrections.light_time,
                           &options.corrections.aberration,
                           &options.corrections.gravitational_deflection,
                           &options.corrections.precession,
                           &options.corrections.nutation};
    for (std::size_t i = 0; i < 7; ++i) {
        if (!bool_argument(parameters[3 + i], 3 + i, *flags[i])) return nullptr;
    }
    const GeodeticObserver* observer = nullptr;
    if (parameters[10] != nullptr && parameters[10] != Py_None) {
        observer = observer_argument(parameters[10], CONSTRUCTOR, 10);
        if (observer == nullptr) return nullptr;
    }

    auto origin = parse_origin(*origin_text, observer);
    if (!origin) return raise_value_error(origin.error());
    options.origin = *origin;
    auto system = parse_coordinate_system(*coordinate_text);
    if (!system) return raise_value_error(system.error());
    options.coordinate_system = *system;
    if (epoch_text) {
        auto epoch = parse_reference_epoch(*epoch_text);
        if (!epoch) return raise_value_error(epoch.error());
        options.reference_epoch = *epoch;
    }
    return wrap_value(type, options);
}

PyObject* origin(PyObject* self, void*) {
    return new_str(canonical_name(options_of(self).origin.kind));
}
PyObject* observer(PyObject* self, void*) {
    const Origin& origin = options_of(self).origin;
    if (origin.kind != OriginKind::Topocentric) Py_RETURN_NONE;
    return new_geodetic_observer(origin.observer);
}
PyObject* coordinate_system(PyObject* self, void*) {
    return new_str(canonical_name(options_of(self).coordinate_system));
}
PyObject* reference_epoch(PyObject* self, void*) {
    return new_str(canonical_name(options_of(self).reference_epoch));
}
PyObject* apparent(PyObject* self, void*) { return PyBool_FromLong(options_of(self).apparent); }
PyObject* true_ecliptic(PyObject* self, void*) {
    return PyBool_FromLong(options_of(self).true_ecliptic);
}

PyObject* repr(PyObject* self) {
    const PositionOptions& options = options_of(self);
    std::string text = "PositionOptions(origin=" + quote(canonical_name(options.origin.kind));
    if (options.origin.kind == OriginKind::Topocentric) {
        text += ", observer=" + observer_repr(options.origin.observer);
    }
    text += ", coordinate_system=" + quote(canonical_name(options.coordinate_system)) +
            ", reference_epoch=" + quote(canonical_name(options.reference_epoch)) +
            ", apparent=" + (options.apparent ? "true" : "false") + ")";
    return new_str(text);
}

constexpr ModuleClass POSITION_OPTIONS = &ModuleClasses::position_options;

PyGetSetDef properties[] = {
    {"origin", instance_member<POSITION_OPTIONS, origin>, nullptr, nullptr, nullptr},
    {"observer", instance_member<POSITION_OPTIONS, observer>, nullptr, nullptr, nullptr},
    {"coordinate_system", instance_member<POSITION_OPTIONS, coordinate_system>, nullptr, nullptr,
     nullptr},
    {"reference_epoch", instance_member<POSITION_OPTIONS, reference_epoch>, nullptr, nullptr,
     nullptr},
    {"apparent", instance_member<POSITION_OPTIONS, apparent>, nullptr, nullptr, nullptr},
    {"true_ecliptic", instance_member<POSITION_OPTIONS, true_ecliptic>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>("PositionOptions(origin, coordinate_system, reference_epoch=\"j2000\", "
                       "apparent=False, true_ecliptic=False, light_time=False, aberration=False, "
                       "gravitational_deflection=False, precession=False, nutation=False, "
                       "observer=None)\n--\n\n"
                       "Explicit geometric or apparent request options.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<POSITION_OPTIONS, construct>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<PositionOptions>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<POSITION_OPTIONS, repr>)},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.PositionOptions", sizeof(ValueObject<PositionOptions>), 0,
                    Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyRef create_position_options_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_position_options(const PositionOptions& options) {
    return wrap_value(module_classes().position_options, options);
}

const PositionOptions* options_argument(PyObject* value, const Signature& signature,
                                        std::size_t index) {
    return value_argument<PositionOptions>(value, module_classes().position_options, signature,
                                           index);
}

}  // namespace orbyx::python
