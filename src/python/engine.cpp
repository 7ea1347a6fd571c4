#include <memory>
#include <optional>
#include <thread>

#include "core/format.hpp"
#include "core/provenance.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/engine_open.hpp"
#include "python/errors.hpp"
#include "python/value_object.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::python {
namespace {

constexpr std::string_view TYPE_PATH = "orbyx::PyEngine";

struct EngineState {
    std::optional<SpkEphemeris> engine;  // empty once closed
    std::thread::id owner = std::this_thread::get_id();
    int uses = 0;  // running shared uses, or -1 for the one exclusive use
};

using EngineHandle = std::unique_ptr<EngineState>;

EngineState& state_of(PyObject* self) { return *value_of<EngineHandle>(self); }

enum class Access { Shared, Exclusive };

// One use of an Engine for the length of a call: refuses a foreign thread and
// re-entrant uses that would overlap an exclusive one.
class EngineUse {
public:
    EngineUse(PyObject* self, Access access) : state_(state_of(self)), access_(access) {
        if (std::this_thread::get_id() != state_.owner) {
            raise_wrong_thread(TYPE_PATH);
        } else if (access == Access::Exclusive && state_.uses != 0) {
            raise_runtime_error("Already borrowed");
        } else if (access == Access::Shared && state_.uses < 0) {
            raise_runtime_error("Already mutably borrowed");
        } else {
            state_.uses = access == Access::Exclusive ? -1 : state_.uses + 1;
            acquired_ = true;
        }
    }
    EngineUse(const EngineUse&) = delete;
    EngineUse& operator=(const EngineUse&) = delete;
    ~EngineUse() {
        if (acquired_) state_.uses = access_ == Access::Exclusive ? 0 : state_.uses - 1;
    }

    explicit operator bool() const { return acquired_; }

    // The open engine, or null with "engine is closed" raised.
    SpkEphemeris* engine() {
        if (!state_.engine) {
            raise_value_error("engine is closed");
            return nullptr;
        }
        return &*state_.engine;
    }

    // Moves the engine out for an attach step, leaving the Engine closed until
    // `put_back`; empty with "engine is closed" raised if there was none.
    std::optional<SpkEphemeris> take_engine() {
        if (!state_.engine) {
            raise_value_error("engine is closed");
            return std::nullopt;
        }
        std::optional<SpkEphemeris> engine = std::move(state_.engine);
        state_.engine.reset();
        return engine;
    }

    void put_back(SpkEphemeris engine) { state_.engine = std::move(engine); }

private:
    EngineState& state_;
    Access access_;
    bool acquired_ = false;
};

template <class T, class E>
bool succeeded(const Result<T, E>& result) {
    if (!result) raise_value_error(result.error().message());
    return result.ok();
}

// --- attachment ---------------------------------------------------------------

const char* const PATH_SHA256[] = {"path", "sha256"};
const Signature WITH_LEAP_SECOND_KERNEL = {"with_leap_second_kernel", PATH_SHA256, 2, 2};
const Signature WITH_EOP = {"with_eop", PATH_SHA256, 2, 2};
const Signature WITH_ADDITIONAL_KERNEL_FILE = {"with_additional_kernel_file", PATH_SHA256, 2, 2};
const char* const TIME_KERNEL_NAMES[] = {"leap_second_kernel", "leap_second_sha256", "eop",
                                         "eop_sha256"};
const Signature WITH_TIME_KERNELS = {"with_time_kernels", TIME_KERNEL_NAMES, 4, 4};

// Binds, checks the thread, takes the exclusive use and converts the str arguments.
template <std::size_t N>
bool begin_attach(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                  PyObject* kwnames, PyObject* self, std::optional<EngineUse>& use,
                  std::array<std::string_view, N>& texts) {
    Parameters<N> parameters;
    if (!bind(signature, args, nargs, kwnames, parameters)) return false;
    use.emplace(self, Access::Exclusive);
    if (!*use) return false;
    for (std::size_t i = 0; i < N; ++i) {
        const auto text = extract_str(parameters[i], signature, i);
        if (!text) return false;
        texts[i] = *text;
    }
    return true;
}

PyObject* with_leap_second_kernel(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 2> texts;
    if (!begin_attach(WITH_LEAP_SECOND_KERNEL, args, nargs, kwnames, self, use, texts)) {
        return nullptr;
    }
    auto kernel = LeapSecondKernel::open(texts[0], texts[1]);
    if (!succeeded(kernel)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    use->put_back(
        SpkEphemeris::with_leap_second_kernel(std::move(*engine), std::move(kernel).value()));
    Py_RETURN_NONE;
}

PyObject* with_eop(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 2> texts;
    if (!begin_attach(WITH_EOP, args, nargs, kwnames, self, use, texts)) return nullptr;
    auto table = EarthOrientationTable::open(texts[0], texts[1]);
    if (!succeeded(table)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    use->put_back(SpkEphemeris::with_eop(std::move(*engine), std::move(table).value()));
    Py_RETURN_NONE;
}

PyObject* with_time_kernels(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 4> texts;
    if (!begin_attach(WITH_TIME_KERNELS, args, nargs, kwnames, self, use, texts)) {
        return nullptr;
    }
    auto kernel = LeapSecondKernel::open(texts[0], texts[1]);
    if (!succeeded(kernel)) return nullptr;
    auto table = EarthOrientationTable::open(texts[2], texts[3]);
    if (!succeeded(table)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    use->put_back(SpkEphemeris::with_time_kernels(std::move(*engine), std::move(kernel).value(),
                                                  std::move(table).value()));
    Py_RETURN_NONE;
}

PyObject* with_additional_kernel_file(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames) {
    std::optional<EngineUse> use;
    std::array<std::string_view, 2> texts;
    if (!begin_attach(WITH_ADDITIONAL_KERNEL_FILE, args, nargs, kwnames, self, use, texts)) {
        return nullptr;
    }
    const auto [path, sha256] = texts;
    if (!is_sha256_hex(sha256)) {
        return raise_value_error("kernel SHA-256 must contain exactly 64 hexadecimal characters");
    }
    std::optional<std::string> name = file_name_of(path);
    if (!name) return raise_value_error("kernel path has no UTF-8 filename");
    auto kernel = SpkKernel::open(path);
    if (!succeeded(kernel)) return nullptr;
    auto engine = use->take_engine();
    if (!engine) return nullptr;
    // A failure here consumes the engine: the Engine stays closed for good.
    auto extended = SpkEphemeris::with_additional_kernel(
        std::move(*engine), std::move(kernel).value(), std::move(*name), sha256);
    if (!succeeded(extended)) return nullptr;
    use->put_back(std::move(extended).value());
    Py_RETURN_NONE;
}

// --- reading ------------------------------------------------------------------

PyObject* supported_range(PyObject* self, void*) {
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const SpkEphemeris* engine = use.engine();
    return engine ? new_date_range(engine->supported_range()) : nullptr;
}

PyObject* kernel_metadata(PyObject* self, void*) {
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const SpkEphemeris* engine = use.engine();
    return engine ? new_kernel_metadata(engine->metadata()) : nullptr;
}

PyObject* repr(PyObject* self) {
    EngineUse use(self, Access::Shared);
    if (!use) return nullptr;
    const SpkEphemeris* engine = use.engine();
    if (engine == nullptr) return nullptr;
    const EphemerisMetadata& metadata = engine->metadata();
    return new_str("Engine(kernel_name=" + quote(metadata.kernel_name) +
                   ", kernel_sha256=" + quote(metadata.kernel_sha256) + ")");
}

// --- lifetime -----------------------------------------------------------------

PyObject* construct(PyTypeObject*, PyObject* args, PyObject* kwargs) {
    Parameters<OPEN_PARAMETER_COUNT> parameters;
    if (!bind(engine_open_signature("Engine"), args, kwargs, parameters)) return nullptr;
    return open_engine(engine_open_signature("Engine"), parameters.values.data());
}

void dealloc(PyObject* self) {
    EngineHandle& handle = value_of<EngineHandle>(self);
    if (handle && handle->owner != std::this_thread::get_id()) {
        // The kernels were never meant to leave their thread: leak them rather
        // than release them here.
        static_cast<void>(handle.release());
        report_unraisable_runtime_error(
            std::string(TYPE_PATH) + " is unsendable, but is being dropped on another thread");
    }
    dealloc_value<EngineHandle>(self);
}

constexpr int FAST_CALL = METH_FASTCALL | METH_KEYWORDS;

template <class F>
PyCFunction as_method(F function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

PyMethodDef methods[] = {
    {"with_leap_second_kernel", as_method(with_leap_second_kernel), FAST_CALL,
     "with_leap_second_kernel($self, path, sha256)\n--\n\n"
     "Attach a NAIF leap-second kernel so UTC (and UT1 with EOP) convert."},
    {"with_eop", as_method(with_eop), FAST_CALL,
     "with_eop($self, path, sha256)\n--\n\n"
     "Attach an IERS EOP 20 C04 table for UT1 and polar motion."},
    {"with_time_kernels", as_method(with_time_kernels), FAST_CALL,
     "with_time_kernels($self, leap_second_kernel, leap_second_sha256, eop, eop_sha256)\n--\n\n"
     "Attach both an LSK and an EOP table."},
    {"with_additional_kernel_file", as_method(with_additional_kernel_file), FAST_CALL,
     "with_additional_kernel_file($self, path, sha256)\n--\n\n"
     "Attach an extra planet-center SPK. The primary kernel still wins for\n"
     "any body and epoch it already covers. `sha256` is caller-verified."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef properties[] = {
    {"supported_range", supported_range, nullptr, nullptr, nullptr},
    {"kernel_metadata", kernel_metadata, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>("Engine(path, sha256, leap_second_kernel=None, leap_second_sha256=None, "
                       "eop=None, eop_sha256=None)\n--\n\n"
                       "Open SPK kernel and evaluate geometric or apparent spherical positions.")},
    {Py_tp_new, reinterpret_cast<void*>(construct)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc)},
    {Py_tp_repr, reinterpret_cast<void*>(repr)},
    {Py_tp_methods, methods},
    {Py_tp_getset, properties},
    {0, nullptr},
};

PyType_Spec spec = {"orbyx.Engine", sizeof(ValueObject<EngineHandle>), 0, Py_TPFLAGS_DEFAULT,
                    slots};

}  // namespace

PyRef create_engine_class() { return PyRef::steal(PyType_FromSpec(&spec)); }

PyObject* new_engine(SpkEphemeris engine) {
    auto state = std::make_unique<EngineState>();
    state->engine = std::move(engine);
    return wrap_value(module_classes().engine, std::move(state));
}

}  // namespace orbyx::python
