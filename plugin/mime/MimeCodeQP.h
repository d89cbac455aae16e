// Quoted-printable transfer encoding (RFC 2045) with the program's own line-length, soft-break
// and lone-dot rules. lineBreakFlag set: CR and LF are data and get encoded; clear: they are line
// ends and pass through.
// Thread contract: one object is used by one thread at a time; distinct objects are independent.
#pragma once

#include "plugin/mime/MimeCodeBase.h"

class CMimeCodeQP : public CMimeCodeBase {
public:
    static std::unique_ptr<CMimeCodeBase> CreateObject();

    int GetEncodeLength() const override;
    int Encode(char* buffer, int size) override;
    int Decode(char* buffer, int size) override;

    // The encode bound for `length` input bytes of which `nonAlnum` are not alphanumeric.
    static long long EncodeBound(long long length, long long nonAlnum);
    // Counts the bytes of `in` that are not alphanumeric (8-bit bytes included).
    static long long CountNonAlnum(const char* in, int length);

    // Undoes "=XX" (upper-case hex), soft line breaks ("=" before CRLF or LF) and
    // stray "="; with `underscoreIsSpace` every "_" becomes SP (the Q encoding of headers).
    // Writes at most `size` bytes and returns the count.
    static int DecodeText(const char* in, int length, char* out, int size, bool underscoreIsSpace);
};
