// RFC 2047 encoded words ("=?charset?B?...?=", "=?charset?Q?...?="). Encoding makes words of at
// most 75 characters in the given charset and encoding letter; decoding undoes every encoded word
// of a header value and reports the charset and letter of the first one. Bytes stay in their own
// charset: nothing is converted.
// Thread contract: one object is used by one thread at a time; distinct objects are independent.
#pragma once

#include <string>

#include "plugin/mime/MimeCodeBase.h"

class CMimeEncodedWord : public CMimeCodeBase {
public:
    // The encoding letter ('B' or 'Q', either case; any other letter encodes as Q) and the
    // charset to encode in. Decoding replaces both with those of the first encoded word found.
    void SetEncoding(char encoding, const std::string& charset);
    char GetEncoding() const { return m_encoding; }
    const std::string& GetCharset() const { return m_charset; }

    int GetEncodeLength() const override;
    int Encode(char* buffer, int size) override;
    int Decode(char* buffer, int size) override;

    // The two halves of Encode: words in Base64 or in the Q encoding.
    int BEncode(char* buffer, int size);
    int QEncode(char* buffer, int size);

    // Whether `charset` can name the charset of an encoded word: 1 to 63 bytes, none of them a
    // control character, space or "?". A longer name would leave no room for text in a
    // 75-character word, and a line break in it would let a stored header start a new field;
    // such charsets encode nothing and such words decode as plain text.
    static bool IsUsableCharset(const char* charset, size_t length);

private:
    char m_encoding = 'Q';
    std::string m_charset;
};
