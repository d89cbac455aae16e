// Exact-size buffers for the MIME tests and fuzz targets: inputs are copied without a terminating
// NUL and outputs get exactly the bound the library promises, so AddressSanitizer sees any access
// past either (also a count returned beyond the bound, when the result is copied out).
#pragma once

#include <memory>
#include <string>

#include "plugin/mime/MimeBody.h"
#include "plugin/mime/MimeCodeBase.h"
#include "plugin/mime/MimeEnvironment.h"

namespace mimetest {

// At least one byte, so the pointer is never null.
inline std::unique_ptr<char[]> ExactBuffer(size_t size) {
    return std::unique_ptr<char[]>(new char[size > 0 ? size : 1]);
}

struct ExactCopy {
    explicit ExactCopy(const std::string& data)
        : bytes(ExactBuffer(data.size())), length(static_cast<int>(data.size())) {
        data.copy(bytes.get(), data.size());
    }
    std::unique_ptr<char[]> bytes;
    int length;
};

inline std::string Convert(CMimeCodeBase& codec, const std::string& input, bool encode) {
    const ExactCopy copy(input);
    codec.SetInput(copy.bytes.get(), copy.length, encode);
    const int bound = codec.GetOutputLength();
    auto out = ExactBuffer(bound);
    const int written = codec.GetOutput(out.get(), bound);
    return std::string(out.get(), written > 0 ? written : 0);
}

// Returns Load's result.
template <class Entity> int LoadFrom(Entity& entity, const std::string& text) {
    const ExactCopy copy(text);
    return entity.Load(copy.bytes.get(), copy.length);
}

// Stores a field or a body into exactly GetLength bytes; `result` receives Store's result.
template <class Entity> std::string StoreToString(const Entity& entity, int* result = nullptr) {
    const int length = entity.GetLength();
    auto out = ExactBuffer(length);
    const int stored = entity.Store(out.get(), length);
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
struct EnvironmentGuard {
    ~EnvironmentGuard() {
        CMimeEnvironment::SetAutoFolding(false);
        CMimeEnvironment::SetCharset("");
    }
};

} // namespace mimetest
