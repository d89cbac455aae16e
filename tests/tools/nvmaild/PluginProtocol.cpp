#include "tests/tools/nvmaild/PluginProtocol.h"

#include "plugin/upload/TCRC32.h"
#include "plugin/upload/TNvxChecksum.h"
#include "plugin/upload/UploadAnswers.h"

namespace nvmaild::test {

std::string formFor(const FileForm& file) {
    const auto length = static_cast<unsigned long>(file.content.size());
    TCRC32 crc;
    crc.write(file.content.data(), length);
    TNvxChecksum crc2;
    crc2.write(file.content.data(), length);
    crc2.flush();
    std::string form;
    addPostData(form, "fileName", file.fileName);
    addPostData(form, "size", std::to_string(file.content.size()));
    addPostData(form, "crc", std::to_string(static_cast<std::int32_t>(~crc.getRegister())));
    addPostData(form, "attachId", file.attachId);
    if (file.withCrc2)
        addPostData(form, "crc2", crc2.result());
    addPostData(form, "display", "");
    return form;
}

} // namespace nvmaild::test
