// Base64: decodes hostile bytes into exactly the bound and into a short buffer, then encodes the
// result with and without line breaks, checking the exact encoded length and that decoding gives
// it back unchanged.
#include <string>

#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeCodeBase64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    CMimeCodeBase64 codec;
    const std::string decoded =
        DecodeHostile(codec, std::string(reinterpret_cast<const char*>(data), size), size / 5);
    for (bool lineBreaks : {false, true}) {
        codec.SetLineBreak(lineBreaks);
        const std::string encoded = EncodeRoundTrip(codec, decoded);
        const long long characters = CMimeCodeBase64::EncodedLength(decoded.size());
        const long long breaks = lineBreaks ? 2 * ((characters + 75) / 76) : 0;
        FUZZ_CHECK(static_cast<long long>(encoded.size()) == characters + breaks);
    }
    return 0;
}
