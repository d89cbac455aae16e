#include "src/ScriptingCore/MethodFunctors.h"

namespace FB::detail::methods {

std::string conversion_message(const bad_variant_cast& error, size_t index) {
    std::string text = "Invalid argument conversion from ";
    if (error.from) {
        text += error.from;
    }
    text += " to ";
    if (error.to) {
        text += error.to;
    }
    return text + " at index " + std::to_string(index);
}

void throw_not_optional(size_t index) {
    throw invalid_arguments("Error: Argument " + std::to_string(index) + "is not optional.");
}

void throw_too_many(size_t expected) {
    throw invalid_arguments("Too many arguments, expected " + std::to_string(expected) + ".");
}

} // namespace FB::detail::methods
