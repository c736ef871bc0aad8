// A body as a server sends it with gzip: the bytes that gzip(1) would write for `text`.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace nimbrel {

inline std::string Gzip(const std::string& text) {
    z_stream z{};
    EXPECT_EQ(
        deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY),
        Z_OK);
    std::string packed(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    packed.resize(z.total_out);
    deflateEnd(&z);
    return packed;
}

}  // namespace nimbrel
