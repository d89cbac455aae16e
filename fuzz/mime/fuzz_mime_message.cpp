// Loads a message from hostile bytes, walks its tree, stores it into a buffer of exactly its
// length bound, and loads and stores the result again. The first input byte chooses the
// environment settings (auto folding, a default charset) that change how fields are coded.
#include <string>
#include <vector>

#include "fuzz/mime/FuzzInput.h"
#include "plugin/mime/MimeEnvironment.h"
#include "plugin/mime/MimeMessage.h"

namespace {

// Stores `message` into exactly GetLength bytes; a field that does not fit means the bound
// was wrong.
std::string StoreExactly(const CMimeMessage& message) {
    const int length = message.GetLength();
    FUZZ_CHECK(length >= 2);
    auto buffer = ExactBuffer(length);
    const int stored = message.Store(buffer.get(), length);
    FUZZ_CHECK(stored != 0 && stored <= length);
    return stored > 0 ? std::string(buffer.get(), stored) : std::string();
}

void Walk(CMimeMessage& message) {
    std::vector<CMimeBody*> leaves;
    message.GetBodyPartList(leaves);
    std::vector<CMimeBody*> attachments;
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
    const FuzzBuffer input(data + 1, size - 1);

    CMimeMessage message;
    const int loaded = message.Load(input.bytes.get(), input.length);
    FUZZ_CHECK(loaded <= input.length);
    Walk(message);
    const std::string stored = StoreExactly(message);
    if (!stored.empty()) {
        const FuzzBuffer again(stored);
        CMimeMessage reloaded;
        FUZZ_CHECK(reloaded.Load(again.bytes.get(), again.length) <= again.length);
        Walk(reloaded);
        StoreExactly(reloaded);
    }
    return 0;
}
