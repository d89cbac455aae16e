#include "plugin/mime/MimeEnvironment.h"

#include <strings.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "plugin/mime/FieldCode.h"
#include "plugin/mime/MimeBody.h"
#include "plugin/mime/MimeCodeBase.h"
#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/MimeCodeQP.h"

namespace {

template <typename Factory> using Registry = std::vector<std::pair<std::string, Factory>>;

struct Environment {
    Registry<CMimeEnvironment::CoderFactory> m_listCoders;
    Registry<CMimeEnvironment::FieldCoderFactory> m_listFieldCoders;
    Registry<CMimeEnvironment::BodyFactory> m_listMediaTypes;
    bool m_bAutoFolding = false;
    std::string m_strCharset;
};

bool SameName(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

template <typename Factory>
void Register(Registry<Factory>& registry, const std::string& name, Factory factory) {
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [&](const auto& entry) { return SameName(entry.first, name); }),
                   registry.end());
    if (factory != nullptr)
        registry.emplace(registry.begin(), name, factory);
}

template <typename Factory>
Factory Find(const Registry<Factory>& registry, const std::string& name) {
    for (const auto& entry : registry)
        if (SameName(entry.first, name))
            return entry.second;
    return nullptr;
}

Environment MakeEnvironment() {
    Environment made;
    Register<CMimeEnvironment::CoderFactory>(made.m_listCoders, "quoted-printable",
                                             &CMimeCodeQP::CreateObject);
    Register<CMimeEnvironment::CoderFactory>(made.m_listCoders, "base64",
                                             &CMimeCodeBase64::CreateObject);
    for (const char* name : {"Subject", "Comments", "Content-Description"})
        Register<CMimeEnvironment::FieldCoderFactory>(made.m_listFieldCoders, name,
                                                      &CFieldCodeText::CreateObject);
    for (const char* name : {"From", "To", "Resent-To", "Cc", "Resent-Cc", "Bcc", "Resent-Bcc",
                             "Reply-To", "Resent-Reply-To"})
        Register<CMimeEnvironment::FieldCoderFactory>(made.m_listFieldCoders, name,
                                                      &CFieldCodeAddress::CreateObject);
    for (const char* name : {"Content-Type", "Content-Disposition"})
        Register<CMimeEnvironment::FieldCoderFactory>(made.m_listFieldCoders, name,
                                                      &CFieldCodeParameter::CreateObject);
    return made;
}

// Built on first use, so no static initialisation order can see it half made.
Environment& State() {
    static Environment environment = MakeEnvironment();
    return environment;
}

} // namespace

void CMimeEnvironment::RegisterCoder(const std::string& name, CoderFactory factory) {
    Register(State().m_listCoders, name, factory);
}

void CMimeEnvironment::RegisterFieldCoder(const std::string& name, FieldCoderFactory factory) {
    Register(State().m_listFieldCoders, name, factory);
}

void CMimeEnvironment::RegisterMediaType(const std::string& mainType, BodyFactory factory) {
    Register(State().m_listMediaTypes, mainType, factory);
}

std::unique_ptr<CMimeCodeBase> CMimeEnvironment::CreateCoder(const std::string& name) {
    const CoderFactory factory = Find(State().m_listCoders, name.empty() ? "7bit" : name);
    return factory != nullptr ? factory() : CMimeCodeBase::CreateObject();
}

std::unique_ptr<CFieldCodeBase> CMimeEnvironment::CreateFieldCoder(const std::string& fieldName) {
    const FieldCoderFactory factory = Find(State().m_listFieldCoders, fieldName);
    return factory != nullptr ? factory() : CFieldCodeBase::CreateObject();
}

std::unique_ptr<CMimeBody> CMimeEnvironment::CreateBodyPart(const std::string& mainType) {
    const BodyFactory factory =
        Find(State().m_listMediaTypes, mainType.empty() ? "text" : mainType);
    return factory != nullptr ? factory() : std::make_unique<CMimeBody>();
}

void CMimeEnvironment::SetAutoFolding(bool autoFolding) {
    State().m_bAutoFolding = autoFolding;
    const CoderFactory factory = autoFolding ? &CMimeCode7bit::CreateObject : nullptr;
    RegisterCoder("7bit", factory);
    RegisterCoder("8bit", factory);
}

bool CMimeEnvironment::GetAutoFolding() {
    return State().m_bAutoFolding;
}

void CMimeEnvironment::SetCharset(const std::string& charset) {
    State().m_strCharset = charset;
}

const std::string& CMimeEnvironment::GetCharset() {
    return State().m_strCharset;
}
