#include "python/errors.hpp"

#include <string>

namespace orbyx::python {
namespace {

PyObject* wrong_thread_error = nullptr;

PyObject* raise(PyObject* type, std::string_view message) {
    PyRef text = PyRef::steal(
        PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    if (text) PyErr_SetObject(type, text.get());
    return nullptr;
}

}  // namespace

PyObject* raise_value_error(std::string_view message) { return raise(PyExc_ValueError, message); }
PyObject* raise_type_error(std::string_view message) { return raise(PyExc_TypeError, message); }
PyObject* raise_runtime_error(std::string_view message) {
    return raise(PyExc_RuntimeError, message);
}

PyObject* raise_wrong_thread(std::string_view type_path) {
    return raise(wrong_thread_error,
                 std::string(type_path) + " is unsendable, but sent to another thread");
}

bool create_wrong_thread_error_class() {
    if (wrong_thread_error == nullptr) {
        wrong_thread_error =
            PyErr_NewException("orbyx.WrongThreadError", PyExc_BaseException, nullptr);
    }
    return wrong_thread_error != nullptr;
}

PyObject* wrong_thread_error_class() { return wrong_thread_error; }

void adopt_wrong_thread_error_class(PyObject* error_class) { wrong_thread_error = error_class; }

void report_unraisable_runtime_error(std::string_view message) {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    raise_runtime_error(message);
    PyErr_WriteUnraisable(nullptr);
    PyErr_Restore(type, value, traceback);
}

}  // namespace orbyx::python
