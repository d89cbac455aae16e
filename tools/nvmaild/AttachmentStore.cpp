#include "tools/nvmaild/AttachmentStore.h"

#include <unistd.h>

#include <random>
#include <set>

namespace nvmaild {

namespace {

std::string makeRunTag() {
    static const char digits[] = "0123456789abcdef";
    std::random_device random;
    std::string tag;
    for (int i = 0; i < 6; ++i)
        tag += digits[random() % 16];
    return tag;
}

} // namespace

AttachmentStore::AttachmentStore(std::string folder)
    : m_folder(std::move(folder)), m_runTag(makeRunTag()) {}

AttachmentStore::AddResult AttachmentStore::add(Attachment::Declaration declaration,
                                                std::uint64_t maxFilesPerCompose) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (maxFilesPerCompose != 0) {
        std::uint64_t inCompose = 0;
        for (const auto& [number, attachment] : m_byNumber)
            inCompose += attachment->declaration().composeId == declaration.composeId ? 1 : 0;
        if (inCompose >= maxFilesPerCompose)
            return AddResult{AddStatus::TooManyFiles, nullptr, std::string()};
    }
    const std::uint64_t number = m_lastNumber + 1;
    std::string id = m_runTag + "-" + std::to_string(number);
    std::shared_ptr<Attachment> attachment;
    std::string error;
    if (const auto origin = findVerifiedLocked(declaration))
        attachment = Attachment::shareVerified(id, std::move(declaration), *origin);
    else
        attachment =
            Attachment::create(id, std::move(declaration), m_folder + "/" + id + ".data", error);
    if (!attachment)
        return AddResult{AddStatus::StorageFailed, nullptr, error};
    m_lastNumber = number;
    m_byNumber.emplace(number, attachment);
    m_numberById.emplace(id, number);
    return AddResult{AddStatus::Added, attachment, std::string()};
}

std::shared_ptr<Attachment>
AttachmentStore::findVerifiedLocked(const Attachment::Declaration& declaration) const {
    if (declaration.crc2.empty())
        return nullptr;
    for (const auto& [number, attachment] : m_byNumber) {
        const Attachment::Declaration& held = attachment->declaration();
        if (held.size == declaration.size && held.crc == declaration.crc &&
            held.crc2 == declaration.crc2 && attachment->snapshot().verified)
            return attachment;
    }
    return nullptr;
}

std::shared_ptr<Attachment> AttachmentStore::find(const std::string& id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_numberById.find(id);
    return found == m_numberById.end() ? nullptr : m_byNumber.at(found->second);
}

std::vector<std::shared_ptr<Attachment>> AttachmentStore::list() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::shared_ptr<Attachment>> all;
    for (const auto& [number, attachment] : m_byNumber)
        all.push_back(attachment);
    return all;
}

void AttachmentStore::reset() {
    std::map<std::uint64_t, std::shared_ptr<Attachment>> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dropped.swap(m_byNumber);
        m_numberById.clear();
    }
    std::set<std::string> paths;
    for (const auto& [number, attachment] : dropped) {
        attachment->markRemoved();
        paths.insert(attachment->dataPath());
    }
    for (const std::string& path : paths)
        ::unlink(path.c_str());
}

void AttachmentStore::addCompose(const std::string& composeId) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_composes.insert(composeId);
}

void AttachmentStore::removeCompose(const std::string& composeId) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_composes.erase(composeId);
}

bool AttachmentStore::knowsCompose(const std::string& composeId) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_composes.count(composeId) != 0;
}

} // namespace nvmaild
