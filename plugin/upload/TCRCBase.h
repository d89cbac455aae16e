// The one interface behind which the page's checksum object and the upload item drive every
// checksum algorithm, so that either can pick one by number and feed it without knowing which.
// Thread contract: one object is used by one thread at a time (the caller locks); distinct
// objects are independent of each other.
#pragma once

#include <string>

class TCRCBase {
public:
    virtual ~TCRCBase();

    // Feeds `len` bytes starting at `data` (which may be null when `len` is 0); the bytes are
    // copied or consumed before the call returns. Any length is accepted. Returns `len`.
    virtual unsigned long write(const void* data, unsigned long len) = 0;

    // Completes the message so that result() gives its final value. Returns 0.
    virtual int flush() = 0;

    // Returns to the initial state so that a new message can be checksummed.
    virtual void reset() = 0;

    // The checksum as text; never changes the state.
    virtual std::string result() const = 0;
};
