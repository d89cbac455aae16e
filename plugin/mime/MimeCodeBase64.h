// Base64 transfer encoding (RFC 2045). lineBreakFlag (on by default) ends every 76 output
// characters and the last line with CRLF. Decoding skips CR, LF, blanks and tabs and stops at the
// first other byte outside the alphabet, padding included, so damaged input yields what precedes
// the damage.
// Thread contract: one object is used by one thread at a time; distinct objects are independent.
#pragma once

#include "plugin/mime/MimeCodeBase.h"

class CMimeCodeBase64 : public CMimeCodeBase {
public:
    CMimeCodeBase64();
    static std::unique_ptr<CMimeCodeBase> CreateObject();

    int GetEncodeLength() const override;
    int GetDecodeLength() const override;
    int Encode(char* buffer, int size) override;
    int Decode(char* buffer, int size) override;

    // Characters of the unbroken encoding of `length` bytes.
    static long long EncodedLength(long long length) { return 4 * ((length + 2) / 3); }
    // The encoding of `in`, at most `size` bytes, optionally broken into CRLF-ended lines.
    static int EncodeText(const char* in, int length, char* out, int size, bool lineBreaks);
    // The decoding of `in`, at most `size` bytes.
    static int DecodeText(const char* in, int length, char* out, int size);
};
