// TCRCManager: the page's checksum object. Owns one algorithm, fixed at construction by a selector
// (0 CRC-32, 1 MD5, 2 SHA-1, anything else the combined MD5+SHA-1), and feeds it byte arrays,
// strings and blob-like page objects. Script calls arrive on the main thread; the zone lock
// serialises them.
#pragma once

#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "plugin/upload/TCRCBase.h"
#include "src/ScriptingCore/JSAPIAuto.h"

class TCRCManager : public FB::JSAPIAuto {
public:
    explicit TCRCManager(int algorithm);

    // The algorithm a selector names; shared with the upload item's "crc".
    static boost::shared_ptr<TCRCBase> makeAlgorithm(int selector);

    void crc_update(const std::vector<unsigned char>& data);
    void crc_update_str(const std::string& text);
    // Reads the object's "length" bytes through its "getBytes"(offset, count) in blocks, then feeds
    // them at once. Script errors for a missing member or a block size of 0; nothing is fed then.
    void crc_update_blob(const FB::JSObjectPtr& blob, unsigned long blockSize);
    void crc_finish();
    void crc_reset();
    std::string crc_result();

private:
    boost::shared_ptr<TCRCBase> m_crc;
};
