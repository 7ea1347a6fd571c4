#pragma once

#include "python/py_ref.hpp"

#include "core/types.hpp"

namespace orbyx::python {

// The module's classes, created once at import and kept for the module's life.
struct ModuleClasses {
    PyTypeObject* date_range = nullptr;
    PyTypeObject* kernel_metadata = nullptr;
    PyTypeObject* engine = nullptr;
};

ModuleClasses& module_classes();

// Each creates its heap type (a new reference) or returns null with the error set.
PyRef create_date_range_class();
PyRef create_kernel_metadata_class();
PyRef create_engine_class();

PyObject* new_date_range(const DateRange& range);
PyObject* new_kernel_metadata(EphemerisMetadata metadata);

}  // namespace orbyx::python
