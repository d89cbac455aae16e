// A whole mail message: the top-level entity of a MIME tree, which owns every part below it,
// with the operations that write its Date field.
// Thread contract: one message is used by one thread at a time; distinct messages are
// independent.
#pragma once

#include "plugin/mime/MimeBody.h"

class CMimeMessage : public CMimeBody {
public:
    CMimeMessage() = default;
    ~CMimeMessage() override;

    // The Date field for the current local date and time.
    void SetDate();
    // The Date field for this local time (month 1-12), e.g. "Wed, 29 Feb 2012 00:30:00 +0800".
    // Out-of-range values are normalised as mktime does; a time it cannot represent leaves
    // the header unchanged.
    void SetDate(int year, int month, int day, int hour, int minute, int second);
};
