// Transfer-encoding codecs: the copying base every codec derives from, and the 7bit/8bit coder
// that folds long lines while copying. A caller sets one input buffer, asks for an upper bound of
// the output, allocates that many bytes and lets the codec write into them.
// Thread contract: one object is used by one thread at a time; distinct objects are independent.
#pragma once

#include <climits>
#include <memory>

class CMimeCodeBase {
public:
    // The largest length any bound in this library reports. It leaves headroom so that callers
    // can add the terminating NUL or a decoder's slack without overflowing an int.
    static constexpr int kMaxLength = INT_MAX - 64;

    CMimeCodeBase() = default;
    virtual ~CMimeCodeBase() = default;
    CMimeCodeBase(const CMimeCodeBase&) = delete;
    CMimeCodeBase& operator=(const CMimeCodeBase&) = delete;

    // A new copying coder (the fallback for unknown transfer-encoding names).
    static std::unique_ptr<CMimeCodeBase> CreateObject();

    // Borrows `length` bytes at `input` (null allowed when `length` is 0); they must outlive
    // every later call. A negative length counts as 0. `encoding` chooses what GetOutputLength
    // and GetOutput do.
    void SetInput(const char* input, int length, bool encoding);
    // Base64: break output lines. Quoted-printable: treat CR and LF as data.
    void SetLineBreak(bool lineBreak) { m_lineBreakFlag = lineBreak; }
    bool GetLineBreak() const { return m_lineBreakFlag; }

    // Upper bounds of the output for the current input, at most kMaxLength.
    virtual int GetEncodeLength() const;
    virtual int GetDecodeLength() const;
    // Write at most `size` bytes into `buffer` and return the count written; never fail. A
    // buffer smaller than the bound gets a truncated result.
    virtual int Encode(char* buffer, int size);
    virtual int Decode(char* buffer, int size);

    // GetEncodeLength/Encode or GetDecodeLength/Decode, chosen by the `encoding` of SetInput.
    int GetOutputLength() const;
    int GetOutput(char* buffer, int size);

    // `length` limited to [0, kMaxLength], for bounds computed in wider arithmetic.
    static int ClampLength(long long length);

protected:
    const char* m_input = nullptr;
    int m_inputLength = 0;
    bool m_encodingFlag = false;
    bool m_lineBreakFlag = false;
};

// "7bit" and "8bit" while auto folding is on: copies, breaking lines longer than 76 characters
// in front of their last space; decoding copies.
class CMimeCode7bit : public CMimeCodeBase {
public:
    static std::unique_ptr<CMimeCodeBase> CreateObject();

    int GetEncodeLength() const override;
    int Encode(char* buffer, int size) override;

    // Copies `in` to `out` (at most `size` bytes) and, once a line has reached 76 characters
    // and holds a space after its first character, inserts `lineBreak` in front of that space.
    // CR and LF restart the line. Returns the count written. Header folding uses it as well.
    static int Fold(const char* in, int length, char* out, int size, const char* lineBreak,
                    int lineBreakLength);
};
