#include "ext/native/text_functions.hpp"

#include <string_view>

#include "ext/native/shared_conversions.hpp"
#include "ext/text/shortest_rows.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"

namespace orbyx::ext {
namespace {

using python::Parameters;
using python::Signature;

const char* const SHORTEST_ROWS_PARAMETERS[] = {"prefixes", "values", "suffixes"};
const Signature SHORTEST_ROWS = {"shortest_rows", SHORTEST_ROWS_PARAMETERS, 3, 3};

// The views stay valid while the caller's sequence holds its str items.
std::optional<std::vector<std::string_view>> texts_argument(PyObject* value, std::size_t index) {
    return converted_items(value, SHORTEST_ROWS, index, "a sequence of str",
                           [](PyObject* item, const Signature& of, std::size_t at) {
                               return python::extract_str(item, of, at);
                           });
}

}  // namespace

PyObject* shortest_rows_function(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    Parameters<3> parameters;
    if (!python::bind(SHORTEST_ROWS, args, nargs, kwnames, parameters)) return nullptr;
    const auto prefixes = texts_argument(parameters[0], 0);
    if (!prefixes) return nullptr;
    const auto values = converted_items(parameters[1], SHORTEST_ROWS, 1, "a sequence of float",
                                        [](PyObject* item, const Signature& of, std::size_t at) {
                                            return python::extract_float(item, of, at);
                                        });
    if (!values) return nullptr;
    const auto suffixes = texts_argument(parameters[2], 2);
    if (!suffixes) return nullptr;
    const auto text = shortest_rows(*prefixes, *values, *suffixes);
    if (!text) return python::raise_value_error(text.error());
    return new_text(*text);
}

}  // namespace orbyx::ext
