// Inflates a gzip body piece by piece as it arrives, never far beyond a limit on its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nimbrel {

class GzipInflater {
  public:
    // More: the call stopped at kMaxOutputPerCall; call again with what is left of the input,
    // even when none is, before giving it the next piece.
    enum class Result { Ok, More, Damaged, TooLarge };

    // One call never appends more than this, so that a small piece that inflates to a lot is
    // judged against the limit before the memory for it is taken.
    static constexpr std::size_t kMaxOutputPerCall = std::size_t{1} << 20;

    // `limitBytes` bounds the inflated bytes of the whole body.
    explicit GzipInflater(std::uint64_t limitBytes);
    ~GzipInflater();
    GzipInflater(const GzipInflater&) = delete;
    GzipInflater& operator=(const GzipInflater&) = delete;

    // Appends what the front of `input`, the next piece of the body, inflates to, and removes
    // from `input` what it took. After Damaged or TooLarge the body is of no use.
    Result Inflate(std::string_view& input, std::string& output);
    // The stream has come to its end, its checksum and length checked; a body that ends before
    // is damaged.
    bool Ended() const { return ended_; }

  private:
    Result AfterMember(std::string_view& input);

    struct Stream;
    std::unique_ptr<Stream> stream_;
    const std::uint64_t limitBytes_;
    std::uint64_t inflatedBytes_ = 0;
    bool ended_ = false;
    bool padding_ = false;  // zeros follow the last member
};

}  // namespace nimbrel
