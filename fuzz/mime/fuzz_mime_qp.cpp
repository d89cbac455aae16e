// Quoted-printable: decodes hostile bytes into exactly the bound and into a short buffer, then
// encodes the result in text and binary mode within the encode bound and checks that decoding
// gives it back unchanged.
#include <string>

#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeCodeQP.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    const FuzzBuffer input(data, size);
    CMimeCodeQP codec;
    const std::string decoded = ConvertExactly(codec, input.bytes.get(), input.length, false);

    const int shortSize = input.length / 3;
    auto shortBuffer = ExactBuffer(shortSize);
    FUZZ_CHECK(codec.Decode(shortBuffer.get(), shortSize) <= shortSize);

    for (bool binary : {false, true}) {
        const FuzzBuffer plain(reinterpret_cast<const std::uint8_t*>(decoded.data()),
                               decoded.size());
        codec.SetLineBreak(binary);
        const std::string encoded = ConvertExactly(codec, plain.bytes.get(), plain.length, true);
        const FuzzBuffer wire(reinterpret_cast<const std::uint8_t*>(encoded.data()),
                              encoded.size());
        FUZZ_CHECK(ConvertExactly(codec, wire.bytes.get(), wire.length, false) == decoded);
    }
    return 0;
}
