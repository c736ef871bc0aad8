#include "retrieval/proxy_sign_in.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

// The user's Windows account goes to a proxy that carried the request and asks with NTLM or
// Negotiate, once per hop; never to a server (reached directly, by a way the system chose
// unseen, or answering inside the secure channel), never in a scheme that would send its
// password. Over HTTPS nothing from outside the secure channel is believed, its time neither.
TEST(ProxySignIn, EachResponseIsJudgedByWhoWroteIt) {
    using enum RequestRoute::Way;
    using enum ResponseAnswer::Step;
    using enum TransferFailureKind;
    using enum DefaultSignIn;
    struct Case {
        RequestRoute::Way way;
        bool secure, overSecureChannel;
        int status;
        bool negotiate, ntlm;
        std::optional<int> answeredOnHop;  // this is hop 1
        ResponseAnswer expected;
    };
    const ResponseAnswer proxySignIn{.failure = ProxySignIn, .proxysFailure = true};
    const ResponseAnswer proxyRefused{.failure = ProxyRefused, .proxysFailure = true};
    const ResponseAnswer http407{.serverTime = true};
    const Case cases[] = {
        {Proxy, false, false, 407, true, true, {}, {.step = SignIn, .signIn = Negotiate}},
        {Proxy, false, false, 407, false, true, {}, {.step = SignIn, .signIn = Ntlm}},
        {Proxy, false, false, 407, false, false, {}, proxySignIn},  // Basic: no password
        {Proxy, false, false, 407, true, false, 1, proxySignIn},
        // Answered before a redirect: the new hop's proxy may be answered once more.
        {Proxy, false, false, 407, true, false, 0, {.step = SignIn, .signIn = Negotiate}},
        // Detection on and nothing found: direct, and a server's 407 is only a status.
        {Direct, false, false, 407, true, true, {}, http407},
        {SystemProxy, false, false, 407, false, true, {}, http407},
        {Proxy, true, true, 407, false, true, {}, http407},
        {SystemProxy, true, false, 407, false, true, {}, {.step = SignIn, .signIn = Ntlm}},
        {Proxy, false, false, 401, true, true, {}, {.serverTime = true}},
        // A tunnel refused, or any answer outside it, is the proxy's and tells no time.
        {Proxy, true, false, 403, false, false, {}, proxyRefused},
        {Proxy, true, false, 304, false, false, {}, proxyRefused},
        {SystemProxy, true, false, 302, false, false, {}, proxyRefused},
        {Proxy, true, false, 200, false, false, {}, proxyRefused},
        {Proxy, true, true, 200, false, false, {}, {.step = ReadBody, .serverTime = true}},
        {Proxy, false, false, 502, false, false, {}, {.serverTime = true}},
        {Direct, true, true, 304, false, false, {}, {.step = NotModified, .serverTime = true}},
    };
    for (const Case& c : cases) {
        const ResponseAnswer answer = JudgeResponse({.route = {.way = c.way},
                                                     .secure = c.secure,
                                                     .overSecureChannel = c.overSecureChannel,
                                                     .status = c.status,
                                                     .conditional = true,
                                                     .offersNegotiate = c.negotiate,
                                                     .offersNtlm = c.ntlm,
                                                     .hop = 1,
                                                     .proxyAnsweredOnHop = c.answeredOnHop});
        EXPECT_EQ(answer, c.expected)
            << static_cast<int>(c.way) << c.secure << c.overSecureChannel << " " << c.status;
    }
    EXPECT_EQ(JudgeResponse({.status = 304}).step, Fail);  // unasked for
}

// A failed connection is the proxy's until the server answered, or showed its certificate.
TEST(ProxySignIn, AFailureIsBlamedOnWhoFailed) {
    using enum RequestRoute::Way;
    EXPECT_TRUE(ProxyToBlame({.way = Proxy}, false, false));
    EXPECT_TRUE(ProxyToBlame({.way = SystemProxy}, false, false));
    EXPECT_FALSE(ProxyToBlame({.way = Proxy}, false, true));
    EXPECT_FALSE(ProxyToBlame({.way = Proxy}, true, false));
    EXPECT_FALSE(ProxyToBlame({.way = Direct}, false, false));
}

// A body is whole when its length is met or its gzip end reached; without either, only when
// it ends as its kind must.
TEST(ProxySignIn, ABodyIsWholeOnlyWhenItsFramingSaysSo) {
    using enum BodyKind;
    using enum BodyVerdict;
    struct Case {
        BodyKind kind;
        std::optional<std::uint64_t> length;
        std::uint64_t received;
        bool compressed, gzipEnded;
        const char* tail;
        BodyVerdict expected;
    };
    const Case cases[] = {
        {CycleFile, 10, 10, false, false, "KXYZ 1", Whole},
        {CycleFile, 10, 9, false, false, "\n", CutShort},
        {CycleFile, 10, 10, true, false, "\n", Damaged},
        {CycleFile, std::nullopt, 5, true, false, "\n", CutShort},
        {CacheFile, std::nullopt, 5, true, true, "x", Whole},
        {CycleFile, std::nullopt, 600037, false, false, "KXYZ 1", CutShort},
        {CycleFile, std::nullopt, 600037, false, false, "0 RMK\r\n", Whole},
        {CacheFile, std::nullopt, 9, false, false, "</html>", CutShort},
        {Page, std::nullopt, 9, false, false, "</HTML>", Whole},
        {Page, std::nullopt, 9, false, false, "</body>", CutShort},
        {Page, std::nullopt, 0, false, false, "", CutShort},
        // A connection cut right after the headers looks the same as an empty file re-chunked.
        {CycleFile, std::nullopt, 0, false, false, "", CutShort},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JudgeBody({.kind = c.kind,
                             .contentLength = c.length,
                             .received = c.received,
                             .compressed = c.compressed,
                             .gzipEnded = c.gzipEnded,
                             .tail = c.tail}),
                  c.expected)
            << static_cast<int>(c.kind) << " " << c.received << " " << c.tail;
    }
    EXPECT_EQ(BodyLimit(Page), 1u << 20);
    EXPECT_EQ(BodyLimit(CycleFile), 64u << 20);
}

}  // namespace
}  // namespace nimbrel
