// Helpers shared by the MIME tests: running a codec into a buffer of exactly its bound, loading
// and storing trees through exact-size buffers (so AddressSanitizer sees any access past them),
// and a guard that restores the process-wide environment after a test changes it.
#pragma once

#include <memory>
#include <string>

#include "plugin/mime/MimeBody.h"
#include "plugin/mime/MimeCodeBase.h"
#include "plugin/mime/MimeEnvironment.h"

namespace mimetest {

// Converts `input` with `codec` in the given direction into a buffer of exactly the bound;
// `bound` receives that bound.
inline std::string Convert(CMimeCodeBase& codec, const std::string& input, bool encode,
                           int* bound = nullptr) {
    codec.SetInput(input.data(), static_cast<int>(input.size()), encode);
    const int length = codec.GetOutputLength();
    if (bound != nullptr)
        *bound = length;
    std::unique_ptr<char[]> out(new char[length > 0 ? length : 1]);
    const int written = codec.GetOutput(out.get(), length);
    return std::string(out.get(), written > 0 ? written : 0);
}

// Loads `text` from an exact-size copy without a terminating NUL; returns Load's result.
inline int LoadFrom(CMimeBody& body, const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() > 0 ? text.size() : 1]);
    text.copy(copy.get(), text.size());
    return body.Load(copy.get(), static_cast<int>(text.size()));
}

// Stores `body` into exactly GetLength bytes; `result` receives Store's result.
inline std::string StoreToString(const CMimeBody& body, int* result = nullptr) {
    const int length = body.GetLength();
    std::unique_ptr<char[]> out(new char[length > 0 ? length : 1]);
    const int stored = body.Store(out.get(), length);
    if (result != nullptr)
        *result = stored;
    return std::string(out.get(), stored > 0 ? stored : 0);
}

inline std::string ContentOf(const CMimeBody& body) {
    std::string content;
    body.GetText(content);
    return content;
}

// Puts auto folding and the default charset back to their start values on destruction.
class EnvironmentGuard {
public:
    EnvironmentGuard() = default;
    ~EnvironmentGuard() {
        CMimeEnvironment::SetAutoFolding(false);
        CMimeEnvironment::SetCharset("");
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;
};

} // namespace mimetest
