// FB::RetainedObjects: the scriptable objects a browser host keeps alive on behalf of the page,
// each with a count of the holds on it. A page may make and drop tens of thousands of objects, so
// holding and letting go never scan the others; the objects stay in the order they were first
// held, which is the order in which they are shut down.
//
// Thread contract: none of its own; the browser host guards it with its retention lock.
#pragma once

#include <cstddef>
#include <list>
#include <unordered_map>

#include "src/ScriptingCore/APITypes.h"

namespace FB {

class RetainedObjects {
public:
    void hold(const JSAPIPtr& object);
    // Lets go of one hold. The object, when that was its last hold (the caller destroys it after
    // leaving its lock, since a destructor may call back into the host), else null.
    JSAPIPtr letGo(const JSAPIPtr& object);
    // Every object, each once, in the order first held; the set is empty afterwards.
    std::list<JSAPIPtr> takeAll();
    // Every object, each once, in the order first held.
    std::list<JSAPIPtr> objects() const;

private:
    struct Entry {
        JSAPIPtr object;
        std::size_t holds;
    };
    std::list<Entry> m_entries;
    std::unordered_map<const JSAPI*, std::list<Entry>::iterator> m_index;
};

} // namespace FB
