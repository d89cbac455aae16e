// The error numbers an upload item shows the page as "lastErrorNum", and the fixed texts of
// "lastErrorStr" that more than one file decides: one definition for the item and for the pure
// protocol module that reads the server's answers. Immutable.
#pragma once

struct UploadErrors {
    enum ERROR_NUM {
        ERR_NONE = 0,
        ERR_NO_URL = 1,
        ERR_USER_BREAK = 2,
        ERR_FILE = 3,
        ERR_CRC_MISMATCH = 4,
        ERR_NETWORK = 5,
        ERR_COMPOSE_NOT_FOUND = 6,
        ERR_FILE_COUNT_OVERFLOW = 7,
        ERR_OVERFLOW = 8,
        ERR_SERVER = 9,
    };
    // Misspelt, and kept so: pages compare it.
    static constexpr const char* kUserBreakText = "User beak";
};
