#pragma once

#include "python/py_ref.hpp"

#include <new>
#include <string>
#include <utility>

namespace orbyx::python {

// A Python object that holds one C++ value; every class of the module is one.
template <class T>
struct ValueObject {
    PyObject_HEAD
    T value;
};

template <class T>
T& value_of(PyObject* self) {
    return reinterpret_cast<ValueObject<T>*>(self)->value;
}

// A new instance of `type` holding `value`, or null with the error set.
template <class T>
PyObject* wrap_value(PyTypeObject* type, T value) {
    PyObject* self = type->tp_alloc(type, 0);
    if (self != nullptr) new (&value_of<T>(self)) T(std::move(value));
    return self;
}

template <class T>
void dealloc_value(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    value_of<T>(self).~T();
    type->tp_free(self);
    Py_DECREF(type);  // heap types are owned by their instances
}

// tp_new of the classes that only the module makes.
PyObject* refuse_construction(PyTypeObject* type, PyObject* args, PyObject* kwargs);

PyObject* new_str(std::string_view text);
PyObject* new_float(double value);

}  // namespace orbyx::python
