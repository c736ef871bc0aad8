#include "retrieval/gzip_inflater.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/gzip_body.h"

namespace nimbrel {
namespace {

using Result = GzipInflater::Result;

constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 40;

std::string Reports(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "2025/01/14 14:" + std::to_string(i % 60) + "\nK" + std::to_string(i * 7919) +
                " 141452Z " + std::to_string(i % 36 * 10) + "08KT 10SM\n\n";
    }
    return text;
}

// Feeds `body` in pieces of `piece` bytes, as the transfer does; the last result and everything
// inflated.
std::pair<Result, std::string> InflateInPieces(GzipInflater& inflater, const std::string& body,
                                               std::size_t piece) {
    std::string output;
    Result result = Result::Ok;
    for (std::size_t at = 0; at < body.size() && result == Result::Ok; at += piece) {
        std::string_view input = std::string_view(body).substr(at, piece);
        do {
            const std::size_t before = output.size();
            result = inflater.Inflate(input, output);
            EXPECT_LE(output.size() - before, GzipInflater::kMaxOutputPerCall);
        } while (result == Result::More);
        EXPECT_TRUE(result != Result::Ok || input.empty());
    }
    return {result, output};
}

TEST(GzipInflater, InflatesTheWholeTextHoweverTheBodyIsCut) {
    const std::string text = Reports(5000);
    const std::string body = Gzip(text);
    for (std::size_t piece : {std::size_t{1}, std::size_t{777}, body.size()}) {
        GzipInflater inflater(kNoLimit);
        const auto [result, output] = InflateInPieces(inflater, body, piece);
        EXPECT_EQ(result, Result::Ok) << piece;
        EXPECT_TRUE(inflater.Ended()) << piece;
        EXPECT_TRUE(output == text) << piece << ": " << output.size() << " of " << text.size();
    }
}

TEST(GzipInflater, InflatesMembersOneAfterAnother) {
    GzipInflater inflater(kNoLimit);
    const auto [result, output] =
        InflateInPieces(inflater, Gzip(Reports(10)) + Gzip(Reports(20)), 100);
    EXPECT_EQ(result, Result::Ok);
    EXPECT_TRUE(inflater.Ended());
    EXPECT_EQ(output, Reports(10) + Reports(20));
}

TEST(GzipInflater, ZerosAfterTheLastMemberAreIgnored) {
    const std::string body = Gzip(Reports(100)) + std::string(600, '\0');
    for (std::size_t piece : {std::size_t{1}, std::size_t{100}, body.size()}) {
        GzipInflater inflater(kNoLimit);
        const auto [result, output] = InflateInPieces(inflater, body, piece);
        EXPECT_EQ(result, Result::Ok) << piece;
        EXPECT_TRUE(inflater.Ended()) << piece;
        EXPECT_EQ(output, Reports(100)) << piece;
    }
}

TEST(GzipInflater, BodyCutBeforeTheEndOfTheStreamHasNotEnded) {
    const std::string body = Gzip(Reports(100));
    GzipInflater inflater(kNoLimit);
    EXPECT_EQ(InflateInPieces(inflater, body.substr(0, body.size() - 4), 100).first, Result::Ok);
    EXPECT_FALSE(inflater.Ended());
}

TEST(GzipInflater, DamagedBodiesAreDamaged) {
    const std::string body = Gzip(Reports(1000));
    std::string changedData = body;
    changedData[body.size() / 2] ^= 0x55;
    std::string changedChecksum = body;
    changedChecksum[body.size() - 6] ^= 0x01;
    for (const std::string& damaged : {changedData, changedChecksum, Reports(10), body + "junk",
                                       body + std::string(10, '\0') + "junk"}) {
        GzipInflater inflater(kNoLimit);
        EXPECT_EQ(InflateInPieces(inflater, damaged, 1000).first, Result::Damaged);
    }
}

TEST(GzipInflater, SmallBodyInflatingWithoutEndStopsJustPastTheLimit) {
    const std::string bomb = Gzip(std::string(std::size_t{32} << 20, '\0'));
    constexpr std::uint64_t kLimit = 1 << 20;
    GzipInflater inflater(kLimit);
    const auto [result, output] = InflateInPieces(inflater, bomb, bomb.size());
    EXPECT_EQ(result, Result::TooLarge);
    EXPECT_LE(output.size(), kLimit + 64 * 1024);
    // One call takes no more memory than its cap, whatever a piece inflates to.
    GzipInflater unlimited(kNoLimit);
    std::string_view input = bomb;
    std::string first;
    EXPECT_EQ(unlimited.Inflate(input, first), Result::More);
    EXPECT_EQ(first.size(), GzipInflater::kMaxOutputPerCall);
    EXPECT_FALSE(input.empty());
}

}  // namespace
}  // namespace nimbrel
