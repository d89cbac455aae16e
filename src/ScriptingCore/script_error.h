// Errors meant for the page. The bridge hands each text to the browser unchanged, so the texts are
// part of the page-facing interface. Immutable values; throw and copy them from any thread.
#pragma once

#include <exception>
#include <string>

namespace FB {

class script_error : public std::exception {
public:
    explicit script_error(std::string text) : m_text(std::move(text)) {}
    const char* what() const noexcept override { return m_text.c_str(); }

private:
    std::string m_text;
};

class invalid_arguments : public script_error {
public:
    invalid_arguments() : script_error("Invalid Arguments") {}
    explicit invalid_arguments(std::string text) : script_error(std::move(text)) {}
};

class invalid_member : public script_error {
public:
    explicit invalid_member(const std::string& name)
        : script_error("The specified member does not exist: " + name) {}
};

class object_invalidated : public script_error {
public:
    object_invalidated() : script_error("This object is no longer valid") {}
};

} // namespace FB
