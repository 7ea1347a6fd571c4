#pragma once

#include "python/py_ref.hpp"

#include <cstdint>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/types.hpp"
#include "python/arguments.hpp"

namespace orbyx::ext {

// The NAIF id of a body given as an int, as orbyx names them, or by one of the
// companion's names ("io", "titan", "ceres", ...); TypeError for anything else,
// ValueError for an unknown name or an id beyond 32 bits. Whether the kernels hold
// the body is for the evaluation to tell.
std::optional<std::int32_t> target_argument(PyObject* value, const python::Signature& signature, std::size_t index);

// The items of a list, tuple, NumPy object array or other sequence, each held by a
// reference of ours, since reading an item can run code that changes the sequence;
// TypeError naming `expected` for a str or a non-sequence.
std::optional<std::vector<python::PyRef>> sequence_items(PyObject* value, const python::Signature& signature,
                                                 std::size_t index, std::string_view expected);

// Each item of a sequence, as `sequence_items` reads it, converted by
// `convert(item, signature, index)`, which returns an optional; nothing, with the
// error set, at the first item it refuses.
template <typename Convert>
auto converted_items(PyObject* value, const python::Signature& signature, std::size_t index,
                     std::string_view expected, Convert convert) {
    using Item = typename std::invoke_result_t<Convert, PyObject*, const python::Signature&, std::size_t>::value_type;
    std::optional<std::vector<Item>> converted;
    const auto items = sequence_items(value, signature, index, expected);
    if (!items) return converted;
    std::vector<Item> values;
    values.reserve(items->size());
    for (const python::PyRef& item : *items) {
        auto one = convert(item.get(), signature, index);
        if (!one) return converted;
        values.push_back(std::move(*one));
    }
    converted = std::move(values);
    return converted;
}

// A sequence of orbyx.Instant; TypeError naming `expected` for anything else.
std::optional<std::vector<Instant>> instants_argument(PyObject* value, const python::Signature& signature,
                                                      std::size_t index, std::string_view expected);

// A new str, or null with the error set.
PyObject* new_text(std::string_view text);

}  // namespace orbyx::ext
