#include "plugin/platform/Charsets.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// The wide-string side of every conversion: wchar_t holds one UTF-32 code unit in the machine's
// byte order.
constexpr const char* kWideCharset =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-32LE" : "UTF-32BE";
static_assert(sizeof(wchar_t) == 4, "wide strings are UTF-32");

class Converter {
public:
    Converter(const char* to, const char* from) : m_descriptor(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) {
            iconv_close(m_descriptor);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_descriptor != reinterpret_cast<iconv_t>(-1); }

    // All of the input or nothing: an invalid or incomplete sequence gives false.
    bool convert(const char* input, size_t size, std::string& output) {
        output.assign(size * 2 + 16, '\0');
        char* in = const_cast<char*>(input);
        size_t inLeft = size;
        size_t used = 0;
        // Once the input is used up, a call without input lets a stateful encoding (ISO-2022-JP)
        // write its closing shift sequence.
        bool finishing = false;
        for (;;) {
            char* out = &output[used];
            size_t outLeft = output.size() - used;
            size_t result = finishing ? iconv(m_descriptor, nullptr, nullptr, &out, &outLeft)
                                      : iconv(m_descriptor, &in, &inLeft, &out, &outLeft);
            used = output.size() - outLeft;
            if (result == static_cast<size_t>(-1)) {
                if (errno != E2BIG) {
                    return false;
                }
                output.resize(output.size() * 2);
            } else if (!finishing) {
                finishing = true;
            } else {
                output.resize(used);
                return true;
            }
        }
    }

private:
    iconv_t m_descriptor;
};

} // namespace

std::unique_ptr<char[]> convertString(const std::wstring& text, const std::string& charset,
                                      std::size_t& length) {
    length = 0;
    std::string encoded;
    Converter converter(charset.c_str(), kWideCharset);
    if (!converter.valid() || !converter.convert(reinterpret_cast<const char*>(text.data()),
                                                 text.size() * sizeof(wchar_t), encoded)) {
        encoded.clear();
    }
    std::unique_ptr<char[]> buffer(new char[encoded.size() + 1]);
    std::memcpy(buffer.get(), encoded.data(), encoded.size());
    buffer[encoded.size()] = '\0';
    length = encoded.size();
    return buffer;
}

void gbk2wstring(const std::string& bytes, std::wstring& text) {
    text.clear();
    std::string decoded;
    Converter converter(kWideCharset, "GB18030");
    if (!converter.valid() || !converter.convert(bytes.data(), bytes.size(), decoded)) {
        return;
    }
    text.assign(reinterpret_cast<const wchar_t*>(decoded.data()), decoded.size() / sizeof(wchar_t));
}
