#pragma once

#include "python/py_ref.hpp"

#include <new>
#include <string>
#include <utility>

#include "python/classes.hpp"
#include "python/guarded_call.hpp"

namespace orbyx::python {

struct ValueObjectHead {
    PyObject_HEAD
    // Set once the class has stored its value. PyPy lets object.__new__ and
    // __class__ assignment make objects of a class from zeroed memory, which
    // hold no value and must never be read or destroyed as one.
    bool holds_value;
};

// A Python object that holds one C++ value; every class of the module is one.
template <class T>
struct ValueObject : ValueObjectHead {
    T value;
};

inline bool holds_value(PyObject* object) {
    return reinterpret_cast<ValueObjectHead*>(object)->holds_value;
}

// The value of an object already checked to be of T's class and to hold one.
template <class T>
T& value_of(PyObject* self) {
    return static_cast<ValueObject<T>*>(reinterpret_cast<ValueObjectHead*>(self))->value;
}

// A new instance of `type` holding `value`, or null with the error set.
template <class T>
PyObject* wrap_value(PyTypeObject* type, T value) {
    PyObject* self = type->tp_alloc(type, 0);
    if (self == nullptr) return nullptr;
    new (&value_of<T>(self)) T(std::move(value));
    reinterpret_cast<ValueObjectHead*>(self)->holds_value = true;
    return self;
}

template <class T>
void dealloc_value(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    if (holds_value(self)) value_of<T>(self).~T();
    type->tp_free(self);
    Py_DECREF(type);  // heap types are owned by their instances
}

// "Instant" and "orbyx.Instant" for the module's class Instant, whatever name
// the host keeps.
std::string_view class_name(PyTypeObject* type);
std::string class_path(PyTypeObject* type);

// TypeError unless `object` holds a value; for objects already known to be of
// the right class.
bool check_holds_value(PyObject* object);

// TypeError unless `self` is an object of exactly `type` that holds a value.
bool check_self(PyObject* self, PyTypeObject* type);

// TypeError unless `cls`, as a class method or constructor receives it, is
// exactly `type`.
bool check_class(PyObject* cls, PyTypeObject* type);

// The refusal of a subclass of one of the module's classes.
PyObject* raise_not_acceptable_base(PyTypeObject* type);

// Neither slot wrappers nor class methods check what they are called on under
// PyPy, so every entry of a class's tables goes through one of these: they
// check the receiver against the class before `Function` runs, guarded.
using ModuleClass = PyTypeObject* ModuleClasses::*;

template <ModuleClass Class, auto Function>
struct SelfChecked;

template <ModuleClass Class, class... Rest, PyObject* (*Function)(PyObject*, Rest...)>
struct SelfChecked<Class, Function> {
    static PyObject* call(PyObject* self, Rest... rest) {
        return check_self(self, module_classes().*Class) ? guarded<Function>(self, rest...)
                                                         : nullptr;
    }
};

template <ModuleClass Class, auto Function>
struct ClassChecked;

template <ModuleClass Class, class Receiver, class... Rest,
          PyObject* (*Function)(Receiver*, Rest...)>
struct ClassChecked<Class, Function> {
    static PyObject* call(Receiver* cls, Rest... rest) {
        const bool exact = check_class(reinterpret_cast<PyObject*>(cls), module_classes().*Class);
        return exact ? guarded<Function>(cls, rest...) : nullptr;
    }
};

// Methods, getters and slots that take `self`.
template <ModuleClass Class, auto Function>
inline constexpr auto instance_member = &SelfChecked<Class, Function>::call;

// Class methods and tp_new, which take the class.
template <ModuleClass Class, auto Function>
inline constexpr auto class_member = &ClassChecked<Class, Function>::call;

// tp_new of the classes that only the module makes.
PyObject* refuse_construction(PyTypeObject* type, PyObject* args, PyObject* kwargs);

PyObject* new_str(std::string_view text);
PyObject* new_float(double value);

}  // namespace orbyx::python
