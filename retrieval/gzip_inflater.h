// Inflates a gzip body piece by piece as it arrives, never far beyond a limit on its size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nimbrel {

class GzipInflater {
  public:
    enum class Result { Ok, Damaged, TooLarge };

    // `limitBytes` bounds the inflated bytes of the whole body.
    explicit GzipInflater(std::uint64_t limitBytes);
    ~GzipInflater();
    GzipInflater(const GzipInflater&) = delete;
    GzipInflater& operator=(const GzipInflater&) = delete;

    // Appends what `input`, the next piece of the body, inflates to. After Damaged or TooLarge
    // the body is of no use, and `output` holds a part of it at most a step past the limit.
    Result Inflate(std::string_view input, std::string& output);
    // The stream has come to its end, its checksum and length checked; a body that ends before
    // is damaged.
    bool Ended() const { return ended_; }

  private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    const std::uint64_t limitBytes_;
    std::uint64_t inflatedBytes_ = 0;
    bool ended_ = false;
};

}  // namespace nimbrel
