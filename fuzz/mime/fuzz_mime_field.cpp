// Every header field decoder: loads "Name: <input>" with the name chosen by the first input byte
// (free text, address, parameter and plain fields), uses the parameter operations, stores the
// field into exactly its length bound and checks that the stored text loads back as exactly one
// field, so no decoded value can start a new field or end the header. Encoded words made from
// the value must decode back to it.
#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeEncodedWord.h"
#include "plugin/mime/MimeField.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16))
        return 0;
    static const char* const names[] = {"Subject", "To", "Content-Type", "X-Mailer"};
    const unsigned selector = data[0];
    CMimeEnvironment::SetAutoFolding((selector & 4) != 0);
    CMimeEnvironment::SetCharset((selector & 8) != 0 ? "ISO-8859-1" : "");
    std::string text = std::string(names[selector & 3]) + ": ";
    text.append(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((selector & 16) == 0)
        text += "\r\n";

    CMimeField field;
    const int consumed = mimetest::LoadFrom(field, text);
    FUZZ_CHECK(consumed >= 0 && consumed <= static_cast<int>(text.size()));
    if (consumed == 0)
        return 0;
    std::string part;
    field.GetValue(part);
    field.GetParameter("boundary", part);
    field.GetParameter("name", part);
    if ((selector & 32) != 0)
        field.SetParameter("name", "r\xC3\xA9sum\xC3\xA9 2.pdf");
    if ((selector & 64) != 0)
        field.SetCharset("UTF-8");

    int stored = 0;
    const std::string line = mimetest::StoreToString(field, &stored);
    FUZZ_CHECK(stored > 0);
    CMimeField reloaded;
    FUZZ_CHECK(mimetest::LoadFrom(reloaded, line) == stored);

    for (char letter : {'B', 'Q'}) {
        if (field.GetValue().empty())
            break;
        CMimeEncodedWord encoder, decoder;
        encoder.SetEncoding(letter, "UTF-8");
        FUZZ_CHECK(mimetest::Convert(decoder, mimetest::Convert(encoder, field.GetValue(), true),
                                     false) == field.GetValue());
        FUZZ_CHECK(decoder.GetCharset() == "UTF-8");
    }
    return 0;
}
