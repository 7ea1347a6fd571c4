#include "python/numpy_array.hpp"

#include <cstdlib>
#include <cstring>
#include <string_view>

#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#define NPY_TARGET_VERSION NPY_1_22_API_VERSION
#include <numpy/arrayobject.h>

namespace orbyx::python {
namespace {

bool numpy_api_loaded() { return PyArray_API != nullptr || _import_array() >= 0; }

// Large result buffers come from plain malloc. NumPy's default allocator asks the
// kernel for huge pages from 4 MiB on, and PyPy frees a dropped array only at a later
// collection, so there every batch lands on fresh pages: faulting those in as huge
// pages took longer than evaluating the batch. Smaller buffers keep NumPy's allocator,
// as switching it costs PyPy more than a small batch.
constexpr std::size_t HUGE_PAGE_ADVICE_BYTES = std::size_t{1} << 22;

void* plain_malloc(void*, std::size_t size) { return std::malloc(size); }
void* plain_calloc(void*, std::size_t count, std::size_t size) { return std::calloc(count, size); }
void* plain_realloc(void*, void* buffer, std::size_t size) { return std::realloc(buffer, size); }
void plain_free(void*, void* buffer, std::size_t) { std::free(buffer); }

PyDataMem_Handler plain_allocator = {
    "orbyx_plain_malloc", 1, {nullptr, plain_malloc, plain_calloc, plain_realloc, plain_free}};

// The handler as NumPy takes it; made once and kept for the module's life, since
// every array made with it frees its buffer through it.
PyObject* plain_allocator_capsule() {
    static PyObject* capsule = nullptr;
    if (capsule == nullptr) capsule = PyCapsule_New(&plain_allocator, "mem_handler", nullptr);
    return capsule;
}

// The caller's handler is put back whatever happened; a failed allocation keeps its
// own error over one of putting the handler back.
PyRef new_plain_float64_array(npy_intp (&shape)[3]) {
    PyObject* allocator = plain_allocator_capsule();
    if (allocator == nullptr) return {};
    PyRef callers = PyRef::steal(PyDataMem_SetHandler(allocator));
    if (!callers) return {};
    PyRef array = PyRef::steal(PyArray_SimpleNew(3, shape, NPY_FLOAT64));
    if (!array) {
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyRef::steal(PyDataMem_SetHandler(callers.get()));
        PyErr_Clear();
        PyErr_Restore(type, value, traceback);
        return {};
    }
    if (!PyRef::steal(PyDataMem_SetHandler(callers.get()))) return {};
    return array;
}

}  // namespace

PyRef new_float64_array(std::size_t rows, std::size_t columns, std::size_t depth, double*& data) {
    if (!numpy_api_loaded()) return {};
    npy_intp shape[3] = {static_cast<npy_intp>(rows), static_cast<npy_intp>(columns),
                         static_cast<npy_intp>(depth)};
    const bool large = rows * columns * depth * sizeof(double) >= HUGE_PAGE_ADVICE_BYTES;
    PyRef array = large ? new_plain_float64_array(shape)
                        : PyRef::steal(PyArray_SimpleNew(3, shape, NPY_FLOAT64));
    if (array) data = static_cast<double*>(PyArray_DATA(reinterpret_cast<PyArrayObject*>(array.get())));
    return array;
}

std::optional<std::vector<PyRef>> numpy_object_items(PyObject* value) {
    // The name first, so that other values never load NumPy's C API.
    if (std::string_view(Py_TYPE(value)->tp_name) != "numpy.ndarray") return std::nullopt;
    if (!numpy_api_loaded()) {
        PyErr_Clear();  // then the value is read as any other sequence
        return std::nullopt;
    }
    auto* array = reinterpret_cast<PyArrayObject*>(value);
    if (!PyArray_CheckExact(value) || PyArray_NDIM(array) != 1 || PyArray_TYPE(array) != NPY_OBJECT) {
        return std::nullopt;
    }
    // Iterating one goes through the interpreter for every item under PyPy.
    const npy_intp count = PyArray_DIM(array, 0);
    const npy_intp stride = PyArray_STRIDE(array, 0);
    const char* const data = PyArray_BYTES(array);
    std::vector<PyRef> items;
    items.reserve(static_cast<std::size_t>(count));
    for (npy_intp i = 0; i < count; ++i) {
        PyObject* item = nullptr;
        std::memcpy(&item, data + i * stride, sizeof item);
        items.push_back(PyRef::borrow(item != nullptr ? item : Py_None));  // as NumPy reads an empty slot
    }
    return items;
}

std::optional<std::vector<PyRef>> held_items(PyObject* sequence) {
    if (auto items = numpy_object_items(sequence)) return items;
    const PyRef fast = PyRef::steal(PySequence_Fast(sequence, "expected a sequence"));
    if (!fast) return std::nullopt;
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(fast.get());
    PyObject** const objects = PySequence_Fast_ITEMS(fast.get());
    std::vector<PyRef> held;
    held.reserve(static_cast<std::size_t>(count));
    for (Py_ssize_t i = 0; i < count; ++i) held.push_back(PyRef::borrow(objects[i]));
    return held;
}

std::optional<bool> is_numpy_bool(PyObject* value) {
    // Until the caller has imported NumPy no value can be one of its scalars, and
    // checking must not import it.
    PyRef name = PyRef::steal(PyUnicode_FromString("numpy"));
    if (!name) return std::nullopt;
    PyRef numpy = PyRef::steal(PyImport_GetModule(name.get()));
    if (!numpy) {
        if (PyErr_Occurred()) return std::nullopt;
        return false;
    }
    if (!numpy_api_loaded()) return std::nullopt;
    return PyArray_IsScalar(value, Bool);
}

}  // namespace orbyx::python
