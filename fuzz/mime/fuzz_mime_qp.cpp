// Quoted-printable: hostile bytes decode within the bounds, and text and binary mode encodings of
// the result decode back to it.
#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeCodeQP.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    return FuzzCodec<CMimeCodeQP>(data, size, 3, [](bool, const auto&, const auto&) {});
}
