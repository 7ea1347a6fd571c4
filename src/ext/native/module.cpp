#include "ext/native/horizon_functions.hpp"
#include "ext/native/orbyx_classes.hpp"
#include "ext/native/time_functions.hpp"
#include "python/arguments.hpp"
#include "python/guarded_call.hpp"

namespace orbyx::ext {
namespace {

using python::as_method;
using python::guarded;

PyMethodDef functions[] = {
    {"convert", as_method(guarded<convert_function>), METH_FASTCALL | METH_KEYWORDS, CONVERT_DOC},
    {"instant_from_calendar", as_method(guarded<instant_from_calendar_function>),
     METH_FASTCALL | METH_KEYWORDS, INSTANT_FROM_CALENDAR_DOC},
    {"calendar_from_instant", as_method(guarded<calendar_from_instant_function>),
     METH_FASTCALL | METH_KEYWORDS, CALENDAR_FROM_INSTANT_DOC},
    {"horizon_events", as_method(guarded<horizon_events_function>), METH_FASTCALL | METH_KEYWORDS,
     HORIZON_EVENTS_DOC},
    {"twilight_events", as_method(guarded<twilight_events_function>), METH_FASTCALL | METH_KEYWORDS,
     TWILIGHT_EVENTS_DOC},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef definition = {PyModuleDef_HEAD_INIT, "orbyx_ext._native", "", -1, functions,
                          nullptr,               nullptr,             nullptr, nullptr};

PyObject* create_module() {
    if (!load_orbyx_classes()) return nullptr;
    return PyModule_Create(&definition);
}

}  // namespace
}  // namespace orbyx::ext

PyMODINIT_FUNC PyInit__native() { return orbyx::ext::create_module(); }
