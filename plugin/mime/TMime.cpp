#include "plugin/mime/TMime.h"

#include <cerrno>
#include <cstring>

#include "plugin/mime/MailFiles.h"
#include "plugin/mime/MimeCodeBase64.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/utf8_tools.h"

TMime::TMime(const boost::weak_ptr<FB::PluginCore>& plugin, const FB::BrowserHostPtr& host)
    : FB::JSAPIAuto("<JSAPI-Auto Javascript Object>"), m_plugin(plugin), m_host(host) {
    registerProperty("getLastErrorMessage", FB::make_property(this, &TMime::getLastErrorMessage));
    registerProperty("getLastErrorNum", FB::make_property(this, &TMime::getLastErrorNum));
    registerProperty("getAttachmentCount", FB::make_property(this, &TMime::getAttachmentCount));
    registerProperty("saveBody", FB::make_property(this, &TMime::saveBody));
    registerProperty("getBodyCount", FB::make_property(this, &TMime::getBodyCount));
    registerProperty("getFrom", FB::make_property(this, &TMime::getFrom));
    registerProperty("getTo", FB::make_property(this, &TMime::getTo));
    registerProperty("getCc", FB::make_property(this, &TMime::getCc));
    registerProperty("getBcc", FB::make_property(this, &TMime::getBcc));
    registerProperty("getSubject", FB::make_property(this, &TMime::getSubject));
    registerProperty("getDate", FB::make_property(this, &TMime::getDate));
    registerProperty("getBody", FB::make_property(this, &TMime::getBody));
    registerProperty("getMailMessage", FB::make_property(this, &TMime::getMailMessage));
    registerProperty("getSignMethod", FB::make_property(this, &TMime::getSignMethod));
    registerProperty("isSigned", FB::make_property(this, &TMime::isSigned));
    registerProperty("isEncrypt", FB::make_property(this, &TMime::isEncrypt));
    registerProperty("isDetachSigned", FB::make_property(this, &TMime::isDetachSigned));
    registerProperty("getSignedPartIndex", FB::make_property(this, &TMime::getSignedPartIndex));
    registerProperty("getVersion", FB::make_property(this, &TMime::getVersion));
    registerProperty("getMailContentType", FB::make_property(this, &TMime::getMailContentType));
    registerProperty("getMailContent", FB::make_property(this, &TMime::getMailContent));

    registerMethod("setReadMailCallback", FB::make_method(this, &TMime::setReadMailCallback));
    registerMethod("setSendMailCallback", FB::make_method(this, &TMime::setSendMailCallback));
    registerMethod("saveAttachment", FB::make_method(this, &TMime::saveAttachment));
    registerMethod("saveAttachmentAs", FB::make_method(this, &TMime::saveAttachmentAs));
    registerMethod("getAttachmentName", FB::make_method(this, &TMime::getAttachmentName));
    registerMethod("parseMessage", FB::make_method(this, &TMime::parseMessage));
    registerMethod("getBodyAt", FB::make_method(this, &TMime::getBodyAt));
    registerMethod("setPlainText", FB::make_method(this, &TMime::setPlainText));
    registerMethod("setPlainTestWithEncoding",
                   FB::make_method(this, &TMime::setPlainTestWithEncoding));
    registerMethod("setHtmlPlainTextWithEncoding",
                   FB::make_method(this, &TMime::setHtmlPlainTextWithEncoding));
    registerMethod("setHtmlTextWithEncoding",
                   FB::make_method(this, &TMime::setHtmlTextWithEncoding));
    registerMethod("setSignature", FB::make_method(this, &TMime::setSignature));
    registerMethod("setEncryptedData", FB::make_method(this, &TMime::setEncryptedData));
    registerMethod("setBaseMailInfo", FB::make_method(this, &TMime::setBaseMailInfo));
    registerMethod("stringToBinary", FB::make_method(this, &TMime::stringToBinary));
    registerMethod("binaryToString", FB::make_method(this, &TMime::binaryToString));
    registerMethod("addField", FB::make_method(this, &TMime::addField));
    registerMethod("getDataToSigne", FB::make_method(this, &TMime::getDataToSigne));
    registerMethod("getMimeField", FB::make_method(this, &TMime::getMimeField));
    registerMethod("getBodyOnlyAt", FB::make_method(this, &TMime::getBodyOnlyAt));
    registerMethod("getBodyOnlyWithoutRNAt", FB::make_method(this, &TMime::getBodyOnlyWithoutRNAt));
    registerMethod("beginAddAttachment", FB::make_method(this, &TMime::beginAddAttachment));
    registerMethod("endAddAttachment", FB::make_method(this, &TMime::endAddAttachment));
    registerMethod("addAttachment", FB::make_method(this, &TMime::addAttachment));
    registerMethod("endofAddAttachments", FB::make_method(this, &TMime::endofAddAttachments));
    registerMethod("getAttachmentAsStringAt",
                   FB::make_method(this, &TMime::getAttachmentAsStringAt));
    registerMethod("openAttachmentInNewWindow",
                   FB::make_method(this, &TMime::openAttachmentInNewWindow));
}

TMime::~TMime() {
    for (const std::wstring& path : m_filesToDelete) {
        MailFiles::removeFile(path);
    }
}

void TMime::clearError() {
    m_lastErrorNum = 0;
    m_lastErrorMsg.clear();
}

void TMime::setError(const std::string& message, int number) {
    m_lastErrorMsg = message;
    m_lastErrorNum = number;
}

std::string TMime::base64Decode(const std::string& text) {
    const int length = CMimeCodeBase::ClampLength(static_cast<long long>(text.size()));
    std::string decoded(static_cast<size_t>(length) / 4 * 3 + 3, '\0');
    decoded.resize(CMimeCodeBase64::DecodeText(text.data(), length, &decoded[0],
                                               static_cast<int>(decoded.size())));
    return decoded;
}

int TMime::storeEntity(const CMimeBody& body, bool bodyOnly, std::string& out) {
    out.clear();
    const int length = body.GetLength();
    // The library's bounds stop at kMaxLength; an entity that reaches it may not fit, and what
    // does not fit would be left out without a word.
    if (length >= CMimeCodeBase::kMaxLength) {
        return EOVERFLOW;
    }
    out.resize(static_cast<size_t>(length) + 1);
    const int stored =
        bodyOnly ? body.StoreBodyOnly(&out[0], length + 1) : body.Store(&out[0], length + 1);
    if (stored < 0) {
        out.clear();
        return kFailed;
    }
    out.resize(static_cast<size_t>(stored));
    return 0;
}

std::string TMime::headerField(const std::string& name) {
    clearError();
    const CMimeField* field = m_message.FindField(name);
    return field != nullptr ? field->GetValue() : std::string();
}

int TMime::getAttachmentCount() {
    clearError();
    std::vector<CMimeBody*> leaves;
    return m_message.GetBodyPartList(leaves);
}

int TMime::getBodyCount() {
    clearError();
    if (m_message.GetMediaType() != CMimeHeader::MediaMultipart) {
        return 1;
    }
    return static_cast<int>(m_message.GetParts().size());
}

std::string TMime::getBody() {
    clearError();
    std::string body;
    if (const int error = storeEntity(m_message, true, body)) {
        setError(kMailBodyFail, error);
    }
    return body;
}

std::string TMime::getMailMessage() {
    clearError();
    std::string message;
    if (const int error = storeEntity(m_message, false, message)) {
        setError(kMailMessageFail, error);
    }
    return message;
}

std::string TMime::getMailContentType() {
    clearError();
    const CMimeBody* part = getMainContentPart();
    const CMimeField* type = part != nullptr ? part->FindField("Content-Type") : nullptr;
    return type != nullptr ? type->GetValue() : std::string();
}

std::string TMime::getMailContent() {
    clearError();
    std::string content;
    if (const CMimeBody* part = getMainContentPart()) {
        part->GetText(content);
    }
    return content;
}

CMimeBody* TMime::getMainContentPart() {
    if (m_message.GetMediaType() != CMimeHeader::MediaMultipart) {
        return &m_message;
    }
    auto typeContains = [](const CMimeBody& part, const char* text) {
        const CMimeField* type = part.FindField("Content-Type");
        return type != nullptr && type->GetValue().find(text) != std::string::npos;
    };
    CMimeBody* remembered = nullptr;
    for (const auto& part : m_message.GetParts()) {
        if (typeContains(*part, "text/html")) {
            return part.get();
        }
        if (typeContains(*part, "text/plain")) {
            remembered = remembered != nullptr ? remembered : part.get();
        } else if (typeContains(*part, "multipart/alternative")) {
            for (const auto& inner : part->GetParts()) {
                if (typeContains(*inner, "text/html")) {
                    return inner.get();
                }
                if (typeContains(*inner, "text/plain") && remembered == nullptr) {
                    remembered = inner.get();
                }
            }
            return remembered;
        }
    }
    return remembered;
}

CMimeBody* TMime::getBodyPartAt(unsigned long index) {
    std::vector<CMimeBody*> leaves;
    m_message.GetBodyPartList(leaves);
    return index < leaves.size() ? leaves[index] : nullptr;
}

CMimeBody* TMime::topLevelPart(long long index, bool lowestIsFirst) {
    if (lowestIsFirst && index < 1) {
        index = 0;
    }
    if (m_message.GetMediaType() != CMimeHeader::MediaMultipart) {
        return index == 0 ? &m_message : nullptr;
    }
    for (const auto& part : m_message.GetParts()) {
        if (index-- == 0) {
            return part.get();
        }
    }
    return nullptr;
}

std::string TMime::fileNameOf(const CMimeBody& part) {
    std::string name;
    if (const CMimeField* disposition = part.FindField("Content-Disposition")) {
        disposition->GetParameter("filename", name);
    }
    if (name.empty()) {
        if (const CMimeField* type = part.FindField("Content-Type")) {
            type->GetParameter("name", name);
        }
    }
    return MailFiles::finalComponent(name);
}

std::wstring TMime::getAttachmentName(unsigned long index) {
    clearError();
    const CMimeBody* leaf = getBodyPartAt(index);
    if (leaf == nullptr) {
        setError(kAttachmentNotFound, kFailed);
        return std::wstring();
    }
    std::string name = fileNameOf(*leaf);
    std::wstring wide = MailFiles::wideName(name);
    if (!wide.empty()) {
        return wide;
    }
    if (leaf->GetMediaType() == CMimeHeader::MediaText) {
        name = leaf->GetSubType();
    } else if (const CMimeField* type = leaf->FindField("Content-Type")) {
        name = type->GetValue();
    }
    return MailFiles::wideName("--" + name + "--");
}

bool TMime::parseMessage(const std::string& text) {
    clearError();
    m_message.Clear();
    m_message.Load(text.data(), CMimeCodeBase::ClampLength(static_cast<long long>(text.size())));
    return true;
}

void TMime::checkReadAttachment(std::string& text) {
    if (m_readMailCallback) {
        text = m_readMailCallback->Invoke("", FB::VariantList{text}).convert_cast<std::string>();
    }
}

std::string TMime::getBodyAt(unsigned long index) {
    clearError();
    const CMimeBody* part = topLevelPart(index, false);
    if (part == nullptr) {
        setError(kBodyNotFound, kFailed);
        return std::string();
    }
    std::string text;
    if (const int error = storeEntity(*part, false, text)) {
        setError(kGetBodyAtFail, error);
        return std::string();
    }
    checkReadAttachment(text);
    return base64Decode(text);
}

std::string TMime::getAttachmentAsStringAt(int index) {
    clearError();
    const CMimeBody* leaf = index < 0 ? nullptr : getBodyPartAt(static_cast<unsigned long>(index));
    if (leaf == nullptr) {
        setError(kAttachmentNotFound, kFailed);
        return std::string();
    }
    std::string content;
    leaf->GetText(content);
    checkReadAttachment(content);
    return base64Decode(content);
}

std::string TMime::getMimeField(const std::string& name) {
    return headerField(name);
}

std::string TMime::stringToBinary(const std::wstring& text) {
    clearError();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::wstring TMime::binaryToString(const std::string& bytes) {
    clearError();
    std::wstring text((bytes.size() + sizeof(wchar_t) - 1) / sizeof(wchar_t), L'\0');
    std::memcpy(&text[0], bytes.data(), bytes.size());
    return text;
}

FB::PluginWindow* TMime::window() {
    boost::shared_ptr<FB::PluginCore> plugin = m_plugin.lock();
    return plugin ? plugin->GetWindow() : nullptr;
}
