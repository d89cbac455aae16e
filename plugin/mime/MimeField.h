// One header field: its name as written, its value with encoded words undone (bytes in their own
// charset, folding kept), and the charset that goes with the value. Loads from and stores into
// caller buffers; the field coder registered for the name does the encoding.
// Thread contract: one object is used by one thread at a time; distinct objects are independent.
#pragma once

#include <string>

class CMimeField {
public:
    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }

    // The whole value, parameters included.
    const std::string& GetValue() const { return m_value; }
    // The value up to its first ";" without trailing space characters (the media type of a
    // Content-Type, the disposition of a Content-Disposition).
    void GetValue(std::string& out) const;
    void SetValue(const std::string& value, const std::string& charset = std::string());

    // After loading, the charset of the value's first encoded word (empty if none); when set,
    // the charset that the value's 8-bit runs are encoded in on storing.
    const std::string& GetCharset() const { return m_charset; }
    void SetCharset(const std::string& charset) { m_charset = charset; }

    // The parameter's value without its surrounding double quotes. False, with `out` empty,
    // when the value has no such parameter.
    bool GetParameter(const std::string& name, std::string& out) const;
    // Writes the value in double quotes: in place of the old one, or appended as
    // "; name=value".
    void SetParameter(const std::string& name, const std::string& value);

    // An upper bound of what Store writes, at most CMimeCodeBase::kMaxLength.
    int GetLength() const;
    // Writes name, ": ", the encoded value and CRLF into `buffer`. Returns the byte count, or 0
    // (nothing written) when the field does not fit into `size` bytes.
    int Store(char* buffer, int size) const;
    // Parses one field from the `size` bytes at `data`; reads nothing outside them. Returns the
    // bytes consumed (the final line break included), or 0 when there is no complete field:
    // an empty line, or data that ends before the field's line break.
    int Load(const char* data, int size);

private:
    // Position and length, inside the value, of the parameter's value (quotes included).
    bool FindParameter(const std::string& name, size_t& position, size_t& length) const;

    std::string m_name;
    std::string m_value;
    std::string m_charset;
};
