#include "core/format.hpp"
#include "python/classes.hpp"
#include "python/value_object.hpp"

namespace orbyx::python {
namespace {

const EphemerisMetadata& metadata_of(PyObject* self) { return value_of<EphemerisMetadata>(self); }

PyObject* engine_version(PyObject* self, void*) {
    return new_str(metadata_of(self).engine_version);
}
PyObject* kernel_name(PyObject* self, void*) { return new_str(metadata_of(self).kernel_name); }
PyObject* kernel_sha256(PyObject* self, void*) { return new_str(metadata_of(self).kernel_sha256); }
PyObject* coordinate_frame(PyObject* self, void*) {
    return new_str(metadata_of(self).coordinate_frame);
}

// A new list of (name, sha256) tuples in attachment order.
PyObject* additional_kernel_list(const EphemerisMetadata& metadata) {
    PyRef list = PyRef::steal(PyList_New(0));
    if (!list) return nullptr;
    for (const KernelProvenance& kernel : metadata.additional_kernels) {
        PyRef name = PyRef::steal(new_str(kernel.name));
        PyRef sha256 = PyRef::steal(new_str(kernel.sha256));
        if (!name || !sha256) return nullptr;
        PyRef entry = PyRef::steal(PyTuple_Pack(2, name.get(), sha256.get()));
        if (!entry || PyList_Append(list.get(), entry.get()) < 0) return nullptr;
    }
    return list.release();
}

PyObject* additional_kernels(PyObject* self, PyObject*) {
    return additional_kernel_list(metadata_of(self));
}

PyObject* as_dict(PyObject* self, PyObject*) {
    const EphemerisMetadata& metadata = metadata_of(self);
    PyRef dict = PyRef::steal(PyDict_New());
    if (!dict) return nullptr;
    const std::pair<const char*, PyRef> items[] = {
        {"engine_version", PyRef::steal(new_str(metadata.engine_version))},
        {"kernel_name", PyRef::steal(new_str(metadata.kernel_name))},
        {"kernel_sha256", PyRef::steal(new_str(metadata.kernel_sha256))},
        {"coordinate_frame", PyRef::steal(new_str(metadata.coordinate_frame))},
        {"additional_kernels", PyRef::steal(additional_kernel_list(metadata))},
    };
    for (const auto& [key, value] : items) {
        if (!value || PyDict_SetItemString(dict.get(), key, value.get()) < 0) return nullptr;
    }
    return dict.release();
}

PyObject* repr(PyObject* self) {
    const EphemerisMetadata& metadata = metadata_of(self);
    return new_str("KernelMetadata(kernel_name=" + quote(metadata.kernel_name) +
                   ", kernel_sha256=" + quote(metadata.kernel_sha256) + ")");
}

constexpr ModuleClass KERNEL_METADATA = &ModuleClasses::kernel_metadata;

PyMethodDef methods[] = {
    {"additional_kernels", instance_member<KERNEL_METADATA, additional_kernels>,
     METH_NOARGS, "additional_kernels($self)\n--\n\n"},
    {"as_dict", instance_member<KERNEL_METADATA, as_dict>, METH_NOARGS, "as_dict($self)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef properties[] = {
    {"engine_version", instance_member<KERNEL_METADATA, engine_version>, nullptr, nullptr, nullptr},
    {"kernel_name", instance_member<KERNEL_METADATA, kernel_name>, nullptr, nullptr, nullptr},
    {"kernel_sha256", instance_member<KERNEL_METADATA, kernel_sha256>, nullptr, nullptr, nullptr},
    {"coordinate_frame", instance_member<KERNEL_METADATA, coordinate_frame>,
     nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("Provenance recorded when the kernel was opened.")},
    {Py_tp_new, reinterpret_cast<void*>(class_member<KERNEL_METADATA, refuse_construction>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_value<EphemerisMetadata>)},
    {Py_tp_repr, reinterpret_cast<void*>(instance_member<KERNEL_METADATA, repr>)},
    {Py_tp_methods, methods},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.KernelMetadata", sizeof(ValueObject<EphemerisMetadata>), 0,
                    Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyRef create_kernel_metadata_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_kernel_metadata(EphemerisMetadata metadata) {
    return wrap_value(module_classes().kernel_metadata, std::move(metadata));
}

}  // namespace orbyx::python
