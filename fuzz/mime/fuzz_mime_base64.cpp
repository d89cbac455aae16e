// Base64: hostile bytes decode within the bounds, and encodings of the result with and without
// line breaks have exactly the expected length and decode back to it.
#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeCodeBase64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    return FuzzCodec<CMimeCodeBase64>(
        data, size, 5, [](bool lineBreaks, const std::string& decoded, const std::string& encoded) {
            const long long characters = CMimeCodeBase64::EncodedLength(decoded.size());
            const long long breaks = lineBreaks ? 2 * ((characters + 75) / 76) : 0;
            FUZZ_CHECK(static_cast<long long>(encoded.size()) == characters + breaks);
        });
}
