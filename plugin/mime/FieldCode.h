// Header field coders: decode the encoded words of a field value, and on storing encode its
// 8-bit runs as encoded words and fold it, cutting the value into segments by the syntax of the
// field (free text, addresses, parameters).
// Thread contract: one object is used by one thread at a time; distinct objects are independent.
// Encoding and decoding read the auto-folding flag and default charset of CMimeEnvironment.
#pragma once

#include <functional>
#include <string>

#include "plugin/mime/MimeCodeBase.h"

class CMimeEncodedWord;

// Fields without a registered coder: words are cut at every space and special character.
class CFieldCodeBase : public CMimeCodeBase {
public:
    static std::unique_ptr<CFieldCodeBase> CreateObject();

    // The charset to encode 8-bit runs in (empty: the environment's default charset); after
    // Decode, the charset of the first encoded word (empty if there was none).
    void SetCharset(const std::string& charset) { m_charset = charset; }
    const std::string& GetCharset() const { return m_charset; }

    int GetEncodeLength() const override;
    int Encode(char* buffer, int size) override;
    int Decode(char* buffer, int size) override;

    // Whether a line break follows this stop character when the field is stored.
    virtual bool IsFoldingChar(char c) const;
    // The character that ends the first segment; 0 cuts at spaces and special characters.
    virtual char GetDelimeter() const;

protected:
    // GetDelimeter's answer for a value that is one segment whatever bytes it holds.
    static constexpr char kWholeValue = static_cast<char>(0xFF);

private:
    // A stretch of the value between stop characters, and the stop character after it.
    struct Segment {
        int start;
        int length;
        int highBitCount;
        int stop; // index of the stop character in the input, or -1 at the end of the value
    };
    // What the encoder writes: a stretch copied or encoded (after a separating SP when it
    // follows another encoded word), then optionally a fold.
    struct Piece {
        int start;
        int length;
        int highBitCount;
        bool encode;
        bool foldAfter;
        bool separate;
    };
    // The charset encoding applies in, or empty when the value is copied unchanged.
    std::string EncodingCharset() const;
    void ForEachSegment(const std::function<void(const Segment&)>& visit) const;
    void ForEachPiece(const std::function<void(const Piece&)>& visit) const;
    // The encoded-word coder for one piece, with the letter that keeps it shortest.
    void PrepareWord(CMimeEncodedWord& word, const Piece& piece, const std::string& charset) const;
    int EncodeUnfolded(char* buffer, int size, const std::string& charset) const;

    std::string m_charset;
};

// "Subject", "Comments", "Content-Description": the whole value is one segment.
class CFieldCodeText : public CFieldCodeBase {
public:
    static std::unique_ptr<CFieldCodeBase> CreateObject();
    char GetDelimeter() const override;
};

// Address fields: folded after every "," and ":".
class CFieldCodeAddress : public CFieldCodeBase {
public:
    static std::unique_ptr<CFieldCodeBase> CreateObject();
    bool IsFoldingChar(char c) const override;
};

// "Content-Type", "Content-Disposition": folded after every ";".
class CFieldCodeParameter : public CFieldCodeBase {
public:
    static std::unique_ptr<CFieldCodeBase> CreateObject();
    bool IsFoldingChar(char c) const override;
};
