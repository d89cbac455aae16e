// TMime: the page's mail message object. It holds one MIME message, parsed from text the page
// passes in or composed through its members, and hands out header fields, bodies and attachments
// (as text, as temporary files, saved where the user chooses, or opened with the desktop's
// application). For S/MIME it hands out the exact bytes to sign or encrypt and rebuilds the
// structure around the page's signature or enveloped data; it does no cryptography itself.
// Failures are kept as a last-error pair for the page to read; nothing is thrown for them.
//
// Thread contract: main thread only (script calls arrive there); the page's read-mail and
// send-mail functions are called synchronously from the member that needs them.
//
// Files: TMime.cpp the member table and the readers, TMimeCompose.cpp the composing members,
// TMimeFiles.cpp everything that touches files, TMimeSecure.cpp the S/MIME members.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "plugin/mime/MailErrors.h"
#include "plugin/mime/MailFiles.h"
#include "plugin/mime/MimeMessage.h"
#include "src/ScriptingCore/JSAPIAuto.h"

namespace FB {
class PluginCore;
class PluginWindow;
} // namespace FB

class TMime : public FB::JSAPIAuto, public MailErrors {
public:
    TMime(const boost::weak_ptr<FB::PluginCore>& plugin, const FB::BrowserHostPtr& host);
    // Deletes the temporary files this object made; the folders of named attachments stay.
    ~TMime() override;

    std::string getLastErrorMessage() { return m_lastErrorMsg; }
    int getLastErrorNum() { return m_lastErrorNum; }
    int getAttachmentCount();
    int getBodyCount();
    std::string getFrom() { return headerField("From"); }
    std::string getTo() { return headerField("To"); }
    std::string getCc() { return headerField("Cc"); }
    std::string getBcc() { return headerField("Bcc"); }
    std::string getSubject() { return headerField("Subject"); }
    std::string getDate() { return headerField("Date"); }
    std::string getBody();
    std::string getMailMessage();
    std::string getVersion() { return "2.0.1"; }
    std::string getMailContentType();
    std::string getMailContent();

    void setReadMailCallback(const FB::JSObjectPtr& callback) { m_readMailCallback = callback; }
    void setSendMailCallback(const FB::JSObjectPtr& callback) { m_sendMailCallback = callback; }
    std::wstring getAttachmentName(unsigned long index);
    bool parseMessage(const std::string& text);
    std::string getBodyAt(unsigned long index);
    std::string getAttachmentAsStringAt(int index);
    std::string getMimeField(const std::string& name);
    std::string stringToBinary(const std::wstring& text);
    std::wstring binaryToString(const std::string& bytes);

    // Composing (TMimeCompose.cpp).
    void setPlainText(const std::string& text);
    void setPlainTestWithEncoding(const std::wstring& text, const std::string& charset);
    void setHtmlPlainTextWithEncoding(const std::wstring& html, const std::string& htmlCharset,
                                      const std::wstring& plain, const std::string& plainCharset);
    void setHtmlTextWithEncoding(const std::wstring& html, const std::string& charset);
    void setBaseMailInfo(const std::string& from, const std::string& to, const std::string& cc,
                         const std::string& bcc, const std::string& subject,
                         const std::string& charset);
    void addField(const std::string& name, const std::string& value);
    void beginAddAttachment() { m_pendingAttachments.clear(); }
    void endAddAttachment() {}
    void addAttachment(const std::wstring& path, const std::string& charset);
    bool endofAddAttachments(const std::wstring& prefix, const std::wstring& suffix);

    // Files (TMimeFiles.cpp).
    std::wstring saveBody();
    std::wstring saveAttachment(unsigned long index);
    std::wstring saveAttachmentAs(unsigned long index);
    void openAttachmentInNewWindow(unsigned long index, const std::wstring& prefix,
                                   const std::wstring& suffix);

    // S/MIME (TMimeSecure.cpp).
    bool isSigned();
    bool isDetachSigned();
    bool isEncrypt();
    std::string getSignMethod();
    int getSignedPartIndex();
    std::string getDataToSigne(bool detached);
    void setSignature(const std::string& signature, bool detached, const std::string& digest);
    void setEncryptedData(const std::string& data);
    std::string getBodyOnlyAt(int index);
    std::string getBodyOnlyWithoutRNAt(int index);

    // The part the page shows as the mail's text: the first HTML part, else the first plain one,
    // looking into the first multipart/alternative part and no further. Null when there is none.
    CMimeBody* getMainContentPart();
    // Makes the message a multipart/mixed whose first part is its former content entity; the
    // mail's own header fields stay on the message. False (error set) when the content cannot be
    // stored; the message is then unchanged.
    bool allMoveAsAPart();
    // Moves every header field that is not a content field, in order, from the message to `list`.
    void detachMailHeaderFields(std::list<CMimeField>& list);

private:
    struct typeAttachmentNode {
        std::wstring path;
        std::string charset;
    };

    void clearError();
    void setError(const std::string& message, int number);
    std::string headerField(const std::string& name);
    // The leaf with this depth-first index, or null.
    CMimeBody* getBodyPartAt(unsigned long index);
    // The top-level part with this index (a message that is not multipart is its own part 0), or
    // null. `lowestIsFirst`: every index below 1 names the first part.
    CMimeBody* topLevelPart(long long index, bool lowestIsFirst);
    // The leaf's file name cut to its last component, empty when it has none.
    std::string fileNameOf(const CMimeBody& part);
    // The page's read-mail function applied to `text`, when there is one.
    void checkReadAttachment(std::string& text);
    // `body` stored into `out` (without its header when `bodyOnly`). 0, or the error number to
    // report: -1 when the store fails, EOVERFLOW when the entity is too large for the library.
    static int storeEntity(const CMimeBody& body, bool bodyOnly, std::string& out);
    static std::string base64Decode(const std::string& text);
    bool saveToFile(const CMimeBody& part, int fd, bool contentOnly);
    // A new last part holding `data` (taken over) as an attachment named `name`.
    void addAttachmentData(std::unique_ptr<char[]> data, size_t size,
                           const std::string& contentType, const std::string& name,
                           const std::string& charset);
    // The file's bytes replaced by what the send-mail function makes of their Base64 form. False
    // (error set) when its answer is too large to attach.
    bool transformForSending(MailFiles::FileData& data);
    void appendAlternative(const std::string& type, const std::string& text,
                           const std::string& charset);
    void setOpaque(const std::string& smimeType, const std::string& data);
    FB::PluginWindow* window();

    int m_lastErrorNum = 0;
    std::string m_lastErrorMsg;
    CMimeMessage m_message;
    FB::JSObjectPtr m_readMailCallback;
    FB::JSObjectPtr m_sendMailCallback;
    std::vector<std::wstring> m_filesToDelete;
    std::vector<typeAttachmentNode> m_pendingAttachments;
    boost::weak_ptr<FB::PluginCore> m_plugin;
    FB::BrowserHostPtr m_host;
};
