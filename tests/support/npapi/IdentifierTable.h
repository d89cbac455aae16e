// IdentifierTable: the fake browser's interned NPIdentifiers. Equal names (or equal integers) give
// the same identifier for the table's whole life, a string "1" and the integer 1 give different
// ones, and an identifier stays valid until the table goes, as in a real browser.
// Thread contract: main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "src/NpapiCore/npapi/npapi_all.h"

namespace nvtest::npapi {

struct Identifier {
    bool isString;
    std::string text; // the name, for a string identifier
    int32_t number;   // the value, for an integer identifier
};

class IdentifierTable {
public:
    NPIdentifier string(std::string_view name);
    NPIdentifier integer(int32_t number);
    // The record behind an identifier this table made, or null for anything else.
    const Identifier* find(NPIdentifier id) const;

private:
    std::map<std::string, std::unique_ptr<Identifier>, std::less<>> m_strings;
    std::map<int32_t, std::unique_ptr<Identifier>> m_integers;
    // Every record of both maps, so that find() never reads through a stray pointer.
    std::set<const void*> m_known;
};

} // namespace nvtest::npapi
