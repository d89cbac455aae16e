// The process-wide registries that the MIME classes look codecs and body classes up in by name,
// and the two settings that change how header fields are stored (auto folding, default charset).
// Registration puts a new entry in front of the old ones, so the latest registration wins.
// Thread contract: not synchronised. Register and change settings before other threads use the
// library (or under the caller's lock); once set up, any thread may call the Create functions.
#pragma once

#include <memory>
#include <string>

class CMimeCodeBase;
class CFieldCodeBase;
class CMimeBody;

class CMimeEnvironment {
public:
    using CoderFactory = std::unique_ptr<CMimeCodeBase> (*)();
    using FieldCoderFactory = std::unique_ptr<CFieldCodeBase> (*)();
    using BodyFactory = std::unique_ptr<CMimeBody> (*)();

    // Each removes every entry whose name equals `name` without regard to case, then, when
    // `factory` is not null, inserts (name, factory) at the front. Names are copied.
    static void RegisterCoder(const std::string& name, CoderFactory factory);
    static void RegisterFieldCoder(const std::string& name, FieldCoderFactory factory);
    static void RegisterMediaType(const std::string& mainType, BodyFactory factory);

    // New objects owned by the caller. An empty transfer-encoding name means "7bit"; an
    // unknown one gives a copying CMimeCodeBase.
    static std::unique_ptr<CMimeCodeBase> CreateCoder(const std::string& name);
    // A field without a registered coder gets a plain CFieldCodeBase.
    static std::unique_ptr<CFieldCodeBase> CreateFieldCoder(const std::string& fieldName);
    // An empty main type means "text"; an unregistered one gives a plain CMimeBody.
    static std::unique_ptr<CMimeBody> CreateBodyPart(const std::string& mainType);

    // On: "7bit" and "8bit" fold long lines, and header fields are folded and unfolded.
    static void SetAutoFolding(bool autoFolding);
    static bool GetAutoFolding();
    // The charset header fields are encoded in when the field itself names none.
    static void SetCharset(const std::string& charset);
    static const std::string& GetCharset();
};
