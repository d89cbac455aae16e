#include "tests/support/npapi/IdentifierTable.h"

namespace nvtest::npapi {

NPIdentifier IdentifierTable::string(std::string_view name) {
    auto found = m_strings.find(name);
    if (found == m_strings.end()) {
        auto record = std::make_unique<Identifier>(Identifier{true, std::string(name), 0});
        m_known.insert(record.get());
        found = m_strings.emplace(std::string(name), std::move(record)).first;
    }
    return found->second.get();
}

NPIdentifier IdentifierTable::integer(int32_t number) {
    std::unique_ptr<Identifier>& record = m_integers[number];
    if (!record) {
        record = std::make_unique<Identifier>(Identifier{false, std::string(), number});
        m_known.insert(record.get());
    }
    return record.get();
}

const Identifier* IdentifierTable::find(NPIdentifier id) const {
    return m_known.count(id) ? static_cast<const Identifier*>(id) : nullptr;
}

} // namespace nvtest::npapi
