// Base64: decodes hostile bytes into exactly the bound and into a short buffer, then encodes the
// result with and without line breaks, checking the exact encoded length and that decoding gives
// it back unchanged.
#include <string>

#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeCodeBase64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    const FuzzBuffer input(data, size);
    CMimeCodeBase64 codec;
    const std::string decoded = ConvertExactly(codec, input.bytes.get(), input.length, false);

    const int shortSize = input.length / 5;
    auto shortBuffer = ExactBuffer(shortSize);
    FUZZ_CHECK(codec.Decode(shortBuffer.get(), shortSize) <= shortSize);

    for (bool lineBreaks : {false, true}) {
        const FuzzBuffer plain(reinterpret_cast<const std::uint8_t*>(decoded.data()),
                               decoded.size());
        codec.SetLineBreak(lineBreaks);
        const std::string encoded = ConvertExactly(codec, plain.bytes.get(), plain.length, true);
        const long long characters = CMimeCodeBase64::EncodedLength(plain.length);
        const long long breaks = lineBreaks ? 2 * ((characters + 75) / 76) : 0;
        FUZZ_CHECK(static_cast<long long>(encoded.size()) == characters + breaks);
        const FuzzBuffer wire(reinterpret_cast<const std::uint8_t*>(encoded.data()),
                              encoded.size());
        FUZZ_CHECK(ConvertExactly(codec, wire.bytes.get(), wire.length, false) == decoded);
    }
    return 0;
}
