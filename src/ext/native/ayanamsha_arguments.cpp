#include "ext/native/ayanamsha_arguments.hpp"

#include "core/format.hpp"
#include "python/errors.hpp"
#include "python/names.hpp"

namespace orbyx::ext {
namespace {

std::optional<PrecessionModel> precession_argument(PyObject* value, const python::Signature& signature,
                                                   std::size_t index) {
    const auto name = python::extract_str(value, signature, index);
    if (!name) return std::nullopt;
    const auto model = parse_precession_model(*name);
    if (!model) python::raise_value_error("unknown precession model " + quote(*name));
    return model;
}

std::optional<AyanamshaDefinition> user_ayanamsha_argument(PyObject* value, const python::Signature& signature,
                                                           std::size_t index) {
    const auto reference = python::extract_float(PyTuple_GetItem(value, 0), signature, index);
    if (!reference) return std::nullopt;
    const auto degrees = python::extract_float(PyTuple_GetItem(value, 1), signature, index);
    if (!degrees) return std::nullopt;
    if (PyTuple_Size(value) == 2) return AyanamshaDefinition{*reference, *degrees};
    const auto precession = precession_argument(PyTuple_GetItem(value, 2), signature, index);
    if (!precession) return std::nullopt;
    return AyanamshaDefinition{*reference, *degrees, *precession};
}

bool is_user_ayanamsha(PyObject* value) {
    return PyTuple_Check(value) && (PyTuple_Size(value) == 2 || PyTuple_Size(value) == 3);
}

SiderealOrigin as_sidereal_origin(const CompanionAyanamsha& ayanamsha) {
    return std::visit([](const auto& chosen) { return SiderealOrigin{chosen}; }, ayanamsha);
}

}  // namespace

std::optional<CompanionAyanamsha> ayanamsha_argument(PyObject* value, const python::Signature& signature,
                                                     std::size_t index) {
    if (is_user_ayanamsha(value)) {
        const auto definition = user_ayanamsha_argument(value, signature, index);
        if (!definition) return std::nullopt;
        return CompanionAyanamsha{*definition};
    }
    if (!PyUnicode_Check(value)) {
        python::raise_wrong_argument_type(signature, index, "str or (reference_tt_day, value_deg) tuple", value);
        return std::nullopt;
    }
    const auto name = python::extract_str(value, signature, index);
    if (!name) return std::nullopt;
    const auto ayanamsha = named_companion_ayanamsha(*name);
    if (!ayanamsha) python::raise_value_error("unknown ayanamsha " + quote(*name));
    return ayanamsha;
}

std::optional<SiderealOrigin> sidereal_origin_argument(PyObject* value, const python::Signature& signature,
                                                       std::size_t index) {
    if (is_user_ayanamsha(value)) {
        const auto definition = user_ayanamsha_argument(value, signature, index);
        if (!definition) return std::nullopt;
        return SiderealOrigin{*definition};
    }
    const auto name = python::extract_name(value);
    if (!name) return std::nullopt;
    if (const auto ayanamsha = named_companion_ayanamsha(*name)) return as_sidereal_origin(*ayanamsha);
    const auto mode = python::parse_sidereal_mode(*name);
    if (!mode) {
        python::raise_value_error(mode.error());
        return std::nullopt;
    }
    return SiderealOrigin{*mode};
}

}  // namespace orbyx::ext
