// Quoted-printable: decodes hostile bytes into exactly the bound and into a short buffer, then
// encodes the result in text and binary mode within the encode bound and checks that decoding
// gives it back unchanged.
#include <string>

#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeCodeQP.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    CMimeCodeQP codec;
    const std::string decoded =
        DecodeHostile(codec, std::string(reinterpret_cast<const char*>(data), size), size / 3);
    for (bool binary : {false, true}) {
        codec.SetLineBreak(binary);
        EncodeRoundTrip(codec, decoded);
    }
    return 0;
}
