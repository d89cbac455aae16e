#include "tools/nvmaild/Inflate.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>

#include <zlib.h>

namespace nvmaild {

InflateResult inflateZlib(std::string_view compressed, size_t maxOutput) {
    assert(maxOutput < SIZE_MAX);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {};
    // zlib counts in unsigned int, so a body past 4 GiB goes in pieces like the output does.
    size_t inputDone = 0;
    std::string output;
    int status = Z_OK;
    while (status == Z_OK && output.size() <= maxOutput) {
        if (stream.avail_in == 0 && inputDone < compressed.size()) {
            const size_t piece = std::min<size_t>(compressed.size() - inputDone, UINT_MAX);
            stream.next_in =
                reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data() + inputDone));
            stream.avail_in = static_cast<uInt>(piece);
            inputDone += piece;
        }
        // One byte past the cap is room enough to tell "exactly at the cap" from "past it".
        const size_t room =
            std::min<size_t>({maxOutput + 1 - output.size(), size_t{1} << 20, UINT_MAX});
        const size_t before = output.size();
        output.resize(before + room);
        stream.next_out = reinterpret_cast<Bytef*>(output.data() + before);
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        output.resize(before + room - stream.avail_out);
        // With output room left, Z_BUF_ERROR means the input ran out: fatal only at its very end.
        if (status == Z_BUF_ERROR && inputDone < compressed.size())
            status = Z_OK;
    }
    const bool complete =
        status == Z_STREAM_END && stream.avail_in == 0 && inputDone == compressed.size();
    inflateEnd(&stream);
    if (output.size() > maxOutput)
        return {InflateStatus::TooLarge, std::string()};
    if (!complete)
        return {};
    return {InflateStatus::Ok, std::move(output)};
}

} // namespace nvmaild
