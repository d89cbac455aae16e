// The error numbers a download item shows the page as "lastErrorNum" and its fixed texts.
// Immutable.
#pragma once

#include "plugin/upload/UploadErrors.h"

struct DownloadErrors {
    enum ERROR_NUM {
        ERR_NONE = 0,
        ERR_NO_URL = 1,
        ERR_USER_BREAK = 2,
        ERR_NETWORK = 5,
        ERR_FILE = 9,
    };
    // Pages compare both texts; the stop text is the upload's, misspelling included.
    static constexpr const char* kUserBreakText = UploadErrors::kUserBreakText;
    static constexpr const char* kNetworkErrorText = "query net error";
};
