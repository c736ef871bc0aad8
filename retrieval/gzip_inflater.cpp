#include "retrieval/gzip_inflater.h"

#include <algorithm>
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

GzipInflater::Result GzipInflater::Inflate(std::string_view& input, std::string& output) {
    z_stream& z = stream_->z;
    std::size_t produced = 0;
    for (;;) {
        if (ended_) {
            const Result next = AfterMember(input);
            if (ended_) {
                return next;
            }
        }
        if (produced >= kMaxOutputPerCall) {
            return Result::More;
        }
        const std::size_t start = output.size();
        output.resize(start + kStep);
        z.next_in = reinterpret_cast<const Bytef*>(input.data());
        z.avail_in = static_cast<uInt>(std::min<std::size_t>(input.size(), kMaxOutputPerCall));
        const uInt offered = z.avail_in;
        z.next_out = reinterpret_cast<Bytef*>(output.data() + start);
        z.avail_out = kStep;
        const int status = inflate(&z, Z_NO_FLUSH);
        input.remove_prefix(offered - z.avail_in);
        const uInt made = kStep - z.avail_out;
        output.resize(start + made);
        produced += made;
        inflatedBytes_ += made;
        if (inflatedBytes_ > limitBytes_) {
            return Result::TooLarge;
        }
        if (status == Z_STREAM_END) {
            ended_ = true;
        } else if (status == Z_BUF_ERROR || (status == Z_OK && input.empty() && z.avail_out > 0)) {
            return Result::Ok;  // everything taken; the rest comes with the next piece
        } else if (status != Z_OK) {
            return Result::Damaged;
        }
    }
}

// A gzip body may hold several members, one after another, and servers may pad it with zeros,
// which gzip(1) ignores too. Leaves `ended_` set unless a new member starts.
GzipInflater::Result GzipInflater::AfterMember(std::string_view& input) {
    if (input.empty()) {
        return Result::Ok;
    }
    if (padding_ || input.front() == '\0') {
        padding_ = true;
        const bool zeros = input.find_first_not_of('\0') == std::string_view::npos;
        input = {};
        return zeros ? Result::Ok : Result::Damaged;
    }
    if (inflateReset(&stream_->z) != Z_OK) {
        return Result::Damaged;
    }
    ended_ = false;
    return Result::Ok;
}

}  // namespace nimbrel
