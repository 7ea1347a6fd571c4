#include <string>

#include "core/format.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/names.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

// The enumeration classes carry one canonical name and nothing else.
using CanonicalName = std::string_view;

// The class of each kind of member: the classes share their functions, and
// each checks what it is called on against its own class.
template <class Kind>
constexpr ModuleClass class_of = nullptr;
template <>
constexpr ModuleClass class_of<HouseSystem> = &ModuleClasses::house_system;
template <>
constexpr ModuleClass class_of<SeasonEvent> = &ModuleClasses::season_event;
template <>
constexpr ModuleClass class_of<LunationEvent> = &ModuleClasses::lunation_event;
template <>
constexpr ModuleClass class_of<SiderealMode> = &ModuleClasses::sidereal_mode;
template <>
constexpr ModuleClass class_of<HorizonEventKind> = &ModuleClasses::horizon_event_kind;

PyObject* name(PyObject* self, void*) { return new_str(value_of<CanonicalName>(self)); }

template <class Kind>
PyGetSetDef properties[] = {
    {"name", instance_member<class_of<Kind>, name>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* repr(PyObject* self) {
    return new_str(std::string(class_name(Py_TYPE(self))) + "(" +
                   quote(value_of<CanonicalName>(self)) + ")");
}

const char* const NAME_PARAMETER[] = {"name"};

template <class Member, Result<Member, std::string> (*Parse)(std::string_view)>
PyObject* construct(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    const Signature signature = {class_name(type), NAME_PARAMETER, 1, 1};
    Parameters<1> parameters;
    if (!bind(signature, args, kwargs, parameters)) return nullptr;
    const auto text = extract_str(parameters[0], signature, 0);
    if (!text) return nullptr;
    auto member = Parse(*text);
    if (!member) return raise_value_error(member.error());
    return wrap_value(type, canonical_name(*member));
}

template <auto Member>
PyObject* new_member(PyObject* cls, PyObject*) {
    return wrap_value(reinterpret_cast<PyTypeObject*>(cls), canonical_name(Member));
}

// The class method that returns `Member`.
template <auto Member>
constexpr PyCFunction member = class_member<class_of<decltype(Member)>, new_member<Member>>;

constexpr int CLASS_METHOD = METH_CLASS | METH_NOARGS;

PyMethodDef house_system_members[] = {
    {"placidus", member<HouseSystem::Placidus>, CLASS_METHOD, "placidus($cls)\n--\n\n"},
    {"campanus", member<HouseSystem::Campanus>, CLASS_METHOD, "campanus($cls)\n--\n\n"},
    {"equal", member<HouseSystem::Equal>, CLASS_METHOD, "equal($cls)\n--\n\n"},
    {"whole_sign", member<HouseSystem::WholeSign>, CLASS_METHOD, "whole_sign($cls)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyMethodDef season_event_members[] = {
    {"march_equinox", member<SeasonEvent::MarchEquinox>, CLASS_METHOD,
     "march_equinox($cls)\n--\n\n"},
    {"june_solstice", member<SeasonEvent::JuneSolstice>, CLASS_METHOD,
     "june_solstice($cls)\n--\n\n"},
    {"september_equinox", member<SeasonEvent::SeptemberEquinox>, CLASS_METHOD,
     "september_equinox($cls)\n--\n\n"},
    {"december_solstice", member<SeasonEvent::DecemberSolstice>, CLASS_METHOD,
     "december_solstice($cls)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyMethodDef lunation_event_members[] = {
    {"new_moon", member<LunationEvent::NewMoon>, CLASS_METHOD, "new_moon($cls)\n--\n\n"},
    {"full_moon", member<LunationEvent::FullMoon>, CLASS_METHOD, "full_moon($cls)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyMethodDef sidereal_mode_members[] = {
    {"lahiri", member<SiderealMode::Lahiri>, CLASS_METHOD, "lahiri($cls)\n--\n\n"},
    {"fagan_bradley", member<SiderealMode::FaganBradley>, CLASS_METHOD,
     "fagan_bradley($cls)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyMethodDef horizon_event_kind_members[] = {
    {"rise", member<HorizonEventKind::Rise>, CLASS_METHOD, "rise($cls)\n--\n\n"},
    {"set", member<HorizonEventKind::Set>, CLASS_METHOD, "set($cls)\n--\n\n"},
    {"transit", member<HorizonEventKind::Transit>, CLASS_METHOD, "transit($cls)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

template <class Kind, Result<Kind, std::string> (*Parse)(std::string_view)>
PyRef create(const char* type_name, const char* doc, PyMethodDef* members) {
    constexpr ModuleClass Class = class_of<Kind>;
    PyType_Slot slots[] = {
        {Py_tp_doc, const_cast<char*>(doc)},
        {Py_tp_new, reinterpret_cast<void*>(class_member<Class, construct<Kind, Parse>>)},
        {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<CanonicalName>)},
        {Py_tp_repr, reinterpret_cast<void*>(instance_member<Class, repr>)},
        {Py_tp_methods, members},
        {Py_tp_getset, properties<Kind>},
        {0, nullptr},
    };
    PyType_Spec spec = {type_name, sizeof(ValueObject<CanonicalName>), 0, Py_TPFLAGS_DEFAULT,
                        slots};
    return PyRef::steal(PyType_FromSpec(&spec));
}

}  // namespace

PyObject* new_house_system(HouseSystem system) {
    return wrap_value(module_classes().house_system, canonical_name(system));
}

PyObject* new_horizon_event_kind(HorizonEventKind kind) {
    return wrap_value(module_classes().horizon_event_kind, canonical_name(kind));
}

PyRef create_house_system_class() {
    return create<HouseSystem, parse_house_system>(
        "orbyx.HouseSystem",
        "HouseSystem(name)\n--\n\n"
        "House-division algorithm (Placidus, Campanus, Equal, Whole Sign).",
        house_system_members);
}

PyRef create_horizon_event_kind_class() {
    return create<HorizonEventKind, parse_horizon_event_kind>(
        "orbyx.HorizonEventKind",
        "HorizonEventKind(name)\n--\n\n"
        "Rise, set, or meridian transit of the Sun or Moon.",
        horizon_event_kind_members);
}

PyRef create_season_event_class() {
    return create<SeasonEvent, parse_season_event>(
        "orbyx.SeasonEvent",
        "SeasonEvent(name)\n--\n\n"
        "Equinox or solstice (Sun apparent ecliptic longitude 0/90/180/270\xC2\xB0).",
        season_event_members);
}

PyRef create_lunation_event_class() {
    return create<LunationEvent, parse_lunation_event>(
        "orbyx.LunationEvent",
        "LunationEvent(name)\n--\n\n"
        "New or full Moon (apparent geocentric elongation 0\xC2\xB0/180\xC2\xB0).",
        lunation_event_members);
}

PyRef create_sidereal_mode_class() {
    return create<SiderealMode, parse_sidereal_mode>(
        "orbyx.SiderealMode",
        "SiderealMode(name)\n--\n\n"
        "Lahiri or Fagan\xE2\x80\x93"
        "Bradley ayanamsha applied to ecliptic of date.",
        sidereal_mode_members);
}

}  // namespace orbyx::python
