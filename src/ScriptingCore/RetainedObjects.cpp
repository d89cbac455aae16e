#include "src/ScriptingCore/RetainedObjects.h"

namespace FB {

void RetainedObjects::hold(const JSAPIPtr& object) {
    auto [found, added] = m_index.try_emplace(object.get());
    if (added) {
        found->second = m_entries.insert(m_entries.end(), Entry{object, 1});
    } else {
        ++found->second->holds;
    }
}

JSAPIPtr RetainedObjects::letGo(const JSAPIPtr& object) {
    auto found = m_index.find(object.get());
    if (found == m_index.end() || --found->second->holds > 0) {
        return JSAPIPtr();
    }
    JSAPIPtr last = std::move(found->second->object);
    m_entries.erase(found->second);
    m_index.erase(found);
    return last;
}

std::list<JSAPIPtr> RetainedObjects::takeAll() {
    std::list<JSAPIPtr> all = objects();
    m_entries.clear();
    m_index.clear();
    return all;
}

std::list<JSAPIPtr> RetainedObjects::objects() const {
    std::list<JSAPIPtr> all;
    for (const Entry& entry : m_entries) {
        all.push_back(entry.object);
    }
    return all;
}

} // namespace FB
