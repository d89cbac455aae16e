#include "plugin/mime/TMime.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

namespace {

bool isContentField(const CMimeField& field) {
    static const char* const kContentFields[] = {"Content-Type", "Content-Transfer-Encoding",
                                                 "Content-ID", "Content-Description",
                                                 "Content-Disposition"};
    return std::any_of(std::begin(kContentFields), std::end(kContentFields), [&](const char* name) {
        return strcasecmp(field.GetName().c_str(), name) == 0;
    });
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

std::string contentTypeOf(const CMimeBody& body) {
    const CMimeField* field = body.FindField("Content-Type");
    return field != nullptr ? field->GetValue() : std::string();
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

} // namespace

void TMime::detachMailHeaderFields(std::list<CMimeField>& list) {
    list.clear();
    std::list<CMimeField>& fields = m_message.GetFields();
    for (auto field = fields.begin(); field != fields.end();) {
        const auto next = std::next(field);
        if (!isContentField(*field)) {
            list.splice(list.end(), fields, field);
        }
        field = next;
    }
}

std::string TMime::getDataToSigne(bool detached) {
    if (!detached) {
        return getMailMessage();
    }
    clearError();
    std::list<CMimeField> mailFields;
    detachMailHeaderFields(mailFields);
    std::string content;
    const int error = storeEntity(m_message, false, content);
    // The mail's fields go back even on failure: losing From and To would be worse than the
    // changed order.
    m_message.GetFields().splice(m_message.GetFields().end(), mailFields);
    if (error != 0) {
        setError(kMailBodyFail, error);
        return std::string();
    }
    return content.substr(0, content.find('\0'));
}

bool TMime::allMoveAsAPart() {
    std::list<CMimeField> mailFields;
    detachMailHeaderFields(mailFields);
    std::string content;
    if (const int error = storeEntity(m_message, false, content)) {
        m_message.GetFields().splice(m_message.GetFields().end(), mailFields);
        setError(kMailBodyFail, error);
        return false;
    }
    m_message.Clear();
    m_message.SetFieldValue("Content-Type", "multipart/mixed");
    m_message.SetBoundary();
    m_message.GetFields().splice(m_message.GetFields().end(), mailFields);
    CMimeBody* part = m_message.CreatePart();
    part->Load(content.data(), static_cast<int>(content.size()));
    return true;
}

void TMime::setOpaque(const std::string& smimeType, const std::string& data) {
    std::list<CMimeField> mailFields;
    detachMailHeaderFields(mailFields);
    m_message.Clear();
    m_message.SetFieldValue("Content-Transfer-Encoding", "base64");
    m_message.SetFieldValue("Content-Type", "application/x-pkcs7-mime");
    CMimeField* type = m_message.FindField("Content-Type");
    type->SetParameter("smime-type", smimeType);
    type->SetParameter("name", "smime.p7m");
    m_message.SetFieldValue("Content-Disposition", "attachment");
    m_message.FindField("Content-Disposition")->SetParameter("filename", "smime.p7m");
    m_message.SetText(data.empty() ? nullptr : data.data(), static_cast<int>(data.size()));
    m_message.GetFields().splice(m_message.GetFields().end(), mailFields);
}

void TMime::setSignature(const std::string& signature, bool detached, const std::string& digest) {
    clearError();
    const std::string decoded = base64Decode(signature);
    if (!detached) {
        setOpaque("signed-data", decoded);
        return;
    }
    if (!allMoveAsAPart()) {
        return;
    }
    std::unique_ptr<char[]> bytes(new char[decoded.size() + 1]);
    std::memcpy(bytes.get(), decoded.c_str(), decoded.size() + 1);
    addAttachmentData(std::move(bytes), decoded.size(), "application/x-pkcs7-signature",
                      "smime.p7s", "");
    m_message.SetFieldValue("Content-Type", "multipart/signed");
    m_message.FindField("Content-Type")->SetParameter("protocol", "application/x-pkcs7-signature");
    m_message.SetBoundary();
    m_message.FindField("Content-Type")->SetParameter("micalg", digest.empty() ? "SHA1" : digest);
}

void TMime::setEncryptedData(const std::string& data) {
    clearError();
    setOpaque("enveloped-data", base64Decode(data));
}

bool TMime::isSigned() {
    const std::string type = contentTypeOf(m_message);
    if ((contains(type, "application/x-pkcs7-mime") || contains(type, "application/pkcs7-mime")) &&
        contains(type, "smime-type") && contains(type, "signed-data") && contains(type, ".p7m")) {
        return true;
    }
    return isDetachSigned();
}

bool TMime::isDetachSigned() {
    const std::string type = contentTypeOf(m_message);
    return m_message.GetMediaType() == CMimeHeader::MediaMultipart &&
           m_message.GetSubType() == "signed" && contains(type, "protocol") &&
           contains(type, "application/x-pkcs7-signature");
}

bool TMime::isEncrypt() {
    const std::string type = contentTypeOf(m_message);
    return contains(type, "enveloped-data") &&
           (contains(type, "application/pkcs7-mime") ||
            contains(type, "application/x-pkcs7-mime")) &&
           contains(type, ".p7m");
}

std::string TMime::getSignMethod() {
    const std::string type = contentTypeOf(m_message);
    const size_t start = type.find("micalg=");
    if (start == std::string::npos) {
        return std::string();
    }
    const size_t from = start + 7;
    std::string method = type.substr(from, type.find_first_of("\r\n", from) - from);
    if (method.size() >= 2 && isQuote(method.front())) {
        method.erase(0, 1);
    }
    if (method.size() >= 2 && isQuote(method.back())) {
        method.pop_back();
    }
    return method;
}

int TMime::getSignedPartIndex() {
    clearError();
    if (m_message.GetMediaType() != CMimeHeader::MediaMultipart) {
        return 0;
    }
    int index = 0;
    for (const auto& part : m_message.GetParts()) {
        const std::string type = contentTypeOf(*part);
        if (contains(type, "application/x-pkcs7-signature") && contains(type, ".p7s")) {
            return index;
        }
        ++index;
    }
    return 1;
}

std::string TMime::getBodyOnlyAt(int index) {
    clearError();
    const CMimeBody* part = topLevelPart(index, true);
    if (part == nullptr) {
        setError(kBodyNotFound, kFailed);
        return std::string();
    }
    std::string body;
    if (const int error = storeEntity(*part, true, body)) {
        setError(kGetBodyAtFail, error);
        return std::string();
    }
    return body;
}

std::string TMime::getBodyOnlyWithoutRNAt(int index) {
    std::string body = getBodyOnlyAt(index);
    body.erase(
        std::remove_if(body.begin(), body.end(), [](char c) { return c == '\r' || c == '\n'; }),
        body.end());
    return body;
}
