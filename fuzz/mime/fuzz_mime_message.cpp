// Loads a message from hostile bytes, walks its tree, stores it into a buffer of exactly its
// length bound, and loads and stores the result again. The first input byte chooses the
// environment settings (auto folding, a default charset) that change how fields are coded.
#include <vector>

#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeMessage.h"

namespace {

// A field that does not fit into the bound would make Store fail.
std::string StoreExactly(const CMimeMessage& message) {
    int stored = 0;
    const std::string text = mimetest::StoreToString(message, &stored);
    FUZZ_CHECK(stored != 0);
    return text;
}

void Walk(CMimeMessage& message) {
    std::vector<CMimeBody*> leaves, attachments;
    message.GetBodyPartList(leaves);
    message.GetAttachmentList(attachments);
    FUZZ_CHECK(attachments.size() <= leaves.size());
    for (CMimeBody* leaf : leaves) {
        std::string text;
        FUZZ_CHECK(leaf->GetText(text) == static_cast<int>(text.size()));
        if (leaf->GetMediaType() == CMimeHeader::MediaMessage) {
            CMimeMessage inner;
            FUZZ_CHECK(leaf->GetMessage(inner) <= leaf->GetContentLength());
            StoreExactly(inner);
        }
    }
    message.GetSubType();
    message.GetBoundary();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 20))
        return 0;
    CMimeEnvironment::SetAutoFolding((data[0] & 1) != 0);
    CMimeEnvironment::SetCharset((data[0] & 2) != 0 ? "UTF-8" : "");
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

    CMimeMessage message;
    FUZZ_CHECK(mimetest::LoadFrom(message, input) <= static_cast<int>(input.size()));
    Walk(message);
    const std::string stored = StoreExactly(message);
    if (!stored.empty()) {
        CMimeMessage reloaded;
        FUZZ_CHECK(mimetest::LoadFrom(reloaded, stored) <= static_cast<int>(stored.size()));
        Walk(reloaded);
        StoreExactly(reloaded);
    }
    return 0;
}
