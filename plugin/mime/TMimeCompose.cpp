#include "plugin/mime/TMime.h"

#include <cerrno>
#include <cstring>

#include "plugin/mime/HtmlText.h"
#include "plugin/mime/MailFiles.h"
#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/platform/Charsets.h"
#include "plugin/platform/Dialogs.h"
#include "plugin/platform/MimeTypes.h"
#include "src/ScriptingCore/JSObject.h"

namespace {

constexpr const char* kAlternativeBoundary = "norvane_embeded_multipart_alternative_boundary";

std::string charsetOrUtf8(const std::string& charset) {
    return charset.empty() ? "UTF-8" : charset;
}

std::string encode(const std::wstring& text, const std::string& charset) {
    size_t length = 0;
    std::unique_ptr<char[]> bytes = convertString(text, charset, length);
    return std::string(bytes.get(), length);
}

// SetText reads a length of 0 as "up to the first NUL", so empty content is set as none.
void setContent(CMimeBody& body, const std::string& bytes) {
    body.SetText(bytes.empty() ? nullptr : bytes.data(), static_cast<int>(bytes.size()));
}

// The file's name in the mail: the path converted into the attachment's charset, then cut after
// its last "/" (a "/" byte cannot occur inside a character of the charsets mail uses).
std::string getEncodedFileName(const std::wstring& path, const std::string& charset) {
    const std::string converted = encode(path, charset);
    const size_t slash = converted.rfind('/');
    return slash == std::string::npos ? converted : converted.substr(slash + 1);
}

} // namespace

void TMime::setPlainText(const std::string& text) {
    clearError();
    setContent(m_message, text);
}

void TMime::setPlainTestWithEncoding(const std::wstring& text, const std::string& charset) {
    clearError();
    const std::string effective = charsetOrUtf8(charset);
    setContent(m_message, encode(text, effective));
    m_message.SetFieldValue("Content-Type", "text/plain", effective);
    m_message.SetFieldValue("Content-Transfer-Encoding", "base64");
}

void TMime::appendAlternative(const std::string& type, const std::string& text,
                              const std::string& charset) {
    CMimeBody* part = m_message.CreatePart();
    part->SetFieldValue("Content-Type", type, charset);
    part->SetFieldValue("Content-Transfer-Encoding", "base64");
    setContent(*part, text);
}

void TMime::setHtmlTextWithEncoding(const std::wstring& html, const std::string& charset) {
    clearError();
    const std::string effective = charsetOrUtf8(charset);
    const std::string htmlBytes = encode(html, effective);
    std::string plain;
    html2PlainText(htmlBytes, plain);
    m_message.SetFieldValue("Content-Type", "multipart/alternative");
    m_message.SetBoundary(kAlternativeBoundary);
    appendAlternative("text/html", htmlBytes, effective);
    appendAlternative("text/plain", plain, effective);
}

void TMime::setHtmlPlainTextWithEncoding(const std::wstring& html, const std::string& htmlCharset,
                                         const std::wstring& plain,
                                         const std::string& plainCharset) {
    clearError();
    const std::string htmlEffective = charsetOrUtf8(htmlCharset);
    const std::string plainEffective = charsetOrUtf8(plainCharset);
    m_message.SetFieldValue("Content-Type", "multipart/alternative");
    m_message.SetBoundary(kAlternativeBoundary);
    appendAlternative("text/html", encode(html, htmlEffective), htmlEffective);
    appendAlternative("text/plain", encode(plain, plainEffective), plainEffective);
}

void TMime::setBaseMailInfo(const std::string& from, const std::string& to, const std::string& cc,
                            const std::string& bcc, const std::string& subject,
                            const std::string& charset) {
    clearError();
    const std::pair<const char*, const std::string*> fields[] = {
        {"From", &from}, {"To", &to}, {"CC", &cc}, {"BCC", &bcc}, {"Subject", &subject}};
    for (const auto& [name, value] : fields) {
        if (!value->empty()) {
            m_message.SetFieldValue(name, *value, charset);
        }
    }
    m_message.SetDate();
}

void TMime::addField(const std::string& name, const std::string& value) {
    clearError();
    if (!name.empty() && !value.empty()) {
        m_message.SetFieldValue(name, value);
    }
}

void TMime::addAttachment(const std::wstring& path, const std::string& charset) {
    clearError();
    m_pendingAttachments.push_back({path, charset});
}

void TMime::addAttachmentData(std::unique_ptr<char[]> data, size_t size,
                              const std::string& contentType, const std::string& name,
                              const std::string& charset) {
    CMimeBody* part = m_message.CreatePart();
    part->SetFieldValue("Content-Transfer-Encoding", "base64");
    part->SetFieldValue("Content-Type", contentType, charset);
    part->FindField("Content-Type")->SetParameter("name", name);
    part->SetFieldValue("Content-Disposition", "attachment", charset);
    part->FindField("Content-Disposition")->SetParameter("filename", name);
    part->SetText(std::move(data), static_cast<int>(size));
}

bool TMime::transformForSending(MailFiles::FileData& data) {
    std::string encoded(
        static_cast<size_t>(CMimeCodeBase64::EncodedLength(static_cast<long long>(data.size))),
        '\0');
    CMimeCodeBase64::EncodeText(data.bytes.get(), static_cast<int>(data.size), &encoded[0],
                                static_cast<int>(encoded.size()), false);
    data = MailFiles::FileData();
    const std::string answer =
        m_sendMailCallback->Invoke("", FB::VariantList{encoded}).convert_cast<std::string>();
    // The page's answer is as unbounded as a file.
    if (answer.size() > static_cast<size_t>(MailFiles::kMaxAttachmentSize)) {
        setError(kReadAttachmentFail, EFBIG);
        return false;
    }
    data.bytes.reset(new char[answer.size() + 1]);
    std::memcpy(data.bytes.get(), answer.c_str(), answer.size() + 1);
    data.size = answer.size();
    return true;
}

bool TMime::endofAddAttachments(const std::wstring& prefix, const std::wstring& suffix) {
    if (m_pendingAttachments.empty()) {
        return true;
    }
    std::wstring question = prefix + L"\r\n";
    for (const typeAttachmentNode& node : m_pendingAttachments) {
        question += L"    " + node.path + L"\r\n";
    }
    question += suffix;
    if (!confirmDlg(window(), question, L"Query")) {
        m_pendingAttachments.clear();
        return false;
    }
    for (const typeAttachmentNode& node : m_pendingAttachments) {
        const std::string charset = charsetOrUtf8(node.charset);
        const std::string name = getEncodedFileName(node.path, charset);
        std::string type;
        if (!findFileMimeType(node.path, type)) {
            type = "application/octet-stream";
        }
        MailFiles::FileData data;
        if (!MailFiles::readWholeFile(node.path, data)) {
            setError(kFileReadError, errno);
        }
        if (data.size == 0) {
            setError(kReadAttachmentFail, errno);
            return false;
        }
        // A mail without parts, or one whose parts are alternatives of its text, first becomes
        // a multipart/mixed holding its content as one part, beside which the files go.
        if (m_message.GetParts().empty() || m_message.GetSubType() == "alternative") {
            if (!allMoveAsAPart()) {
                return false;
            }
        }
        if (m_sendMailCallback && !transformForSending(data)) {
            return false;
        }
        addAttachmentData(std::move(data.bytes), data.size, type, name, charset);
    }
    m_pendingAttachments.clear();
    return true;
}
