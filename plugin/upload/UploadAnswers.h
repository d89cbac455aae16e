// The text side of the resumable upload protocol: the query's form body, and the reading of the
// server's answers by plain substring tests. Pure functions; any thread.
#pragma once

#include <string>

#include <boost/optional.hpp>

// Appends one form field: "&" between fields, key and value form-encoded.
void addPostData(std::string& body, const std::string& key, const std::string& value);

// Error number for a query answer without "S_OK": 6 compose_not_found, 7 file_count_overflow,
// 8 overflow, 9 anything else (tested in that order).
int classifyQueryFailure(const std::string& text);
// Error number for a block answer without "S_OK" (its first line already dropped):
// 6 FA_COMPOSE_NOT_FOUND, 8 FA_UPLOAD_SIZE_EXCEEDED, 9 anything else.
int classifyBlockFailure(const std::string& text);
// The text without leading blank characters and without its first line.
std::string withoutFirstLine(const std::string& text);

// The id after the first "attid=", up to a blank, tab, CR or LF.
boost::optional<std::string> findAttachId(const std::string& text);
// The decimal digits right after the first `key` (0 when absent or without digits; saturates).
unsigned long long digitsAfter(const std::string& text, const std::string& key);

enum class CrcVerdict { Absent, Confirmed, Refused, NoBoolean };
// "crcOK", then "boolean" from five characters on: confirmed when "true" stands between them.
CrcVerdict readCrcVerdict(const std::string& text);
// The count after "actualSize", its next ">" and a "<" after that; none when one is missing.
boost::optional<unsigned long long> readActualSize(const std::string& text);
