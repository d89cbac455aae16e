// The error texts a mail message object shows the page through "getLastErrorMessage", each with
// the number "getLastErrorNum" gives beside it where that number is fixed. Pages compare the
// texts, so they are kept exactly, the C++ class names of an older implementation included.
// Immutable.
#pragma once

struct MailErrors {
    // The number of every failure that has no system error behind it.
    static constexpr int kFailed = -1;

    static constexpr const char* kMailBodyFail = "get mail body fail";
    static constexpr const char* kMailMessageFail = "get mail message fail";
    static constexpr const char* kBodyNotFound = "Body not found!";
    static constexpr const char* kGetBodyAtFail = "Get body at fail";
    static constexpr const char* kAttachmentNotFound = "Attachment not found!";
    static constexpr const char* kTempFileNameError =
        "CMimeParse::SaveBodyPart GetTempFileName Error";
    static constexpr const char* kWriteFileError = "CMimeParse::SaveAsBodyPart WriteFile error";
    static constexpr const char* kFileReadError = "Attachment file read error";
    static constexpr const char* kReadAttachmentFail = "Fail to read attachment file!";
};
