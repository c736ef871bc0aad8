#include "retrieval/gzip_inflater.h"

#include <new>

#define ZLIB_CONST
#include <zlib.h>

namespace nimbrel {

namespace {

// The output grows by this much at a time, so that a small body that inflates without end stops
// soon after the limit.
constexpr uInt kStep = 64 * 1024;
// zlib's window bits plus 16: a gzip wrapper and nothing else.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;

}  // namespace

struct GzipInflater::Stream {
    z_stream z{};
};

GzipInflater::GzipInflater(std::uint64_t limitBytes)
    : stream_(std::make_unique<Stream>()), limitBytes_(limitBytes) {
    if (inflateInit2(&stream_->z, kGzipWindowBits) != Z_OK) {
        throw std::bad_alloc();
    }
}

GzipInflater::~GzipInflater() {
    inflateEnd(&stream_->z);
}

GzipInflater::Result GzipInflater::Inflate(std::string_view input, std::string& output) {
    z_stream& z = stream_->z;
    z.next_in = reinterpret_cast<const Bytef*>(input.data());
    z.avail_in = static_cast<uInt>(input.size());
    for (;;) {
        if (ended_) {
            if (z.avail_in == 0) {
                return Result::Ok;
            }
            // A gzip body may hold several members, one after another.
            if (inflateReset(&z) != Z_OK) {
                return Result::Damaged;
            }
            ended_ = false;
        }
        const std::size_t start = output.size();
        output.resize(start + kStep);
        z.next_out = reinterpret_cast<Bytef*>(output.data() + start);
        z.avail_out = kStep;
        const int status = inflate(&z, Z_NO_FLUSH);
        const uInt produced = kStep - z.avail_out;
        output.resize(start + produced);
        inflatedBytes_ += produced;
        if (inflatedBytes_ > limitBytes_) {
            return Result::TooLarge;
        }
        if (status == Z_STREAM_END) {
            ended_ = true;
        } else if (status == Z_BUF_ERROR ||
                   (status == Z_OK && z.avail_in == 0 && z.avail_out > 0)) {
            return Result::Ok;  // everything taken; the rest comes with the next piece
        } else if (status != Z_OK) {
            return Result::Damaged;
        }
    }
}

}  // namespace nimbrel
