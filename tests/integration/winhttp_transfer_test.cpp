// WinHttpControl against the local NOAA stand-in, under Wine; run_winhttp_tests.py starts the
// stand-in with the rules these tests expect and passes its addresses.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/failure_text.h"
#include "retrieval/winhttp_failure.h"
#include "retrieval/winhttp_session.h"
#include "retrieval/winhttp_transfer.h"
#include "tests/integration/winhttp_test_support.h"
#include "util/handler_barrier_win32.h"

namespace nimbrel {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Everything one listener heard, in order.
class Recorder : public HttpListener {
  public:
    void OnDataArrival(std::string chunk) override {
        body.append(chunk);
        ++chunks;
    }
    void OnError(const TransferFailure& failure) override {
        const std::string message = DescribeTransferFailure(failure);
        // In the log, for judging the wording.
        std::printf("  error: %s\n", message.c_str());
        errors.push_back(message);
    }
    void OnComplete(const HttpResponseInfo& info) override { completions.push_back(info); }

    bool Ended() const { return !errors.empty() || !completions.empty(); }
    bool Silent() const { return chunks == 0 && !Ended(); }
    void Clear() {
        body.clear();
        chunks = 0;
        errors.clear();
        completions.clear();
    }

    std::string body;
    int chunks = 0;
    std::vector<std::string> errors;
    std::vector<HttpResponseInfo> completions;
};

// Longer than any transfer of these tests takes.
constexpr milliseconds kTransferLimit = seconds(20);
// How long a test keeps listening after the end, for events that must not come.
constexpr milliseconds kAfterEnd{300};
// A dripping transfer of the stand-in lasts about 100 pieces × 20 ms.
constexpr milliseconds kDripDuration = seconds(2);

class Transfer {
  public:
    explicit Transfer(WinHttpLimits limits = {}) : control(limits) { control.SetListener(heard); }

    void Start(const std::string& url, const HttpConditions& conditions = {}) {
        control.SetUrl(url);
        control.SetConditions(conditions);
        control.Start();
    }

    // Runs the transfer to its end and listens a while longer.
    void Run(const std::string& url, const HttpConditions& conditions = {}) {
        Start(url, conditions);
        EXPECT_TRUE(PumpUntil([this] { return heard.Ended(); }, kTransferLimit)) << "no end";
        PumpFor(kAfterEnd);
    }

    Recorder heard;
    WinHttpControl control;
};

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

testing::AssertionResult StartsWith(const std::string& text, const std::string& prefix) {
    if (text.rfind(prefix, 0) == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << '"' << text << "\" does not start with \"" << prefix << '"';
}

void ExpectCompletedWith(const Recorder& heard, const std::string& body) {
    EXPECT_EQ(heard.errors, std::vector<std::string>{});
    EXPECT_EQ(heard.completions.size(), 1u);
    // Not EXPECT_EQ: a failure would print megabytes.
    EXPECT_TRUE(heard.body == body)
        << "got " << heard.body.size() << " bytes, expected " << body.size();
}

void ExpectFailedWith(const Recorder& heard, const std::string& prefix) {
    EXPECT_TRUE(heard.completions.empty());
    ASSERT_EQ(heard.errors.size(), 1u);
    EXPECT_TRUE(StartsWith(heard.errors[0], prefix));
}

constexpr char kBigFile[] = "/pub/data/observations/metar/cycles/14Z.TXT";
constexpr char kPage[] = "/weather/metar.shtml";
constexpr char kDrip[] = "/drip/15Z.TXT";

// The stand-in has begun sending the body of `path`, by its log of the requests; the body is heard
// only whole, at its end.
bool BodyUnderWay(const std::string& path) {
    Transfer log;
    log.Run(Url("/__requests"));
    const std::size_t entry = log.heard.body.rfind("\"path\": \"" + path + "\"");
    const std::size_t start = log.heard.body.find("\"body_start\": ", entry);
    return entry != std::string::npos && start != std::string::npos &&
           log.heard.body.compare(start + 14, 4, "null") != 0;
}

// The stand-in compresses the files it serves when asked, as NOAA's server does.
TEST(WinHttpTransfer, DeliversAMultiMegabyteFileByteForByte) {
    Transfer transfer;
    transfer.Run(Url(kBigFile));
    const std::string expected = DataFile(kBigFile);
    EXPECT_GT(expected.size(), 2u << 20);
    ExpectCompletedWith(transfer.heard, expected);
    ASSERT_EQ(transfer.heard.completions.size(), 1u);
    EXPECT_TRUE(transfer.heard.completions[0].compressed);
}

TEST(WinHttpTransfer, ConditionsThatStillHoldGetNotModified) {
    Transfer first;
    first.Run(Url(kBigFile));
    ASSERT_EQ(first.heard.completions.size(), 1u);
    const HttpResponseInfo fetched = first.heard.completions[0];
    ASSERT_FALSE(fetched.lastModified.empty());
    // The compressed variant's ETag names the file's with a suffix.
    const auto suffix = fetched.etag.rfind("-gzip\"");
    ASSERT_NE(suffix, std::string::npos) << fetched.etag;
    const std::string fileEtag = fetched.etag.substr(0, suffix) + '"';

    struct Case {
        HttpConditions conditions;
        bool notModified;
    };
    const Case cases[] = {
        {{.ifModifiedSince = fetched.lastModified}, true},
        {{.ifNoneMatch = fileEtag}, true},
        {{.ifModifiedSince = "Sat, 01 Jan 2000 00:00:00 GMT"}, false},
        {{.ifNoneMatch = fetched.etag}, false},
    };
    for (const Case& c : cases) {
        Transfer again;
        again.Run(Url(kBigFile), c.conditions);
        ASSERT_EQ(again.heard.completions.size(), 1u) << c.conditions.ifNoneMatch;
        EXPECT_EQ(again.heard.completions[0].notModified, c.notModified);
        EXPECT_EQ(again.heard.body.empty(), c.notModified);
        EXPECT_FALSE(again.heard.completions[0].date.empty());
    }
}

// A cut compressed body is told by the bytes the server sent against its Content-Length.
TEST(WinHttpTransfer, CompressedBodyThatIsNotWholeIsAnError) {
    const std::pair<const char*, const char*> cases[] = {
        {"/gzip/short.TXT", "Download cut short: 1000 of "},
        {"/gzip/damaged.TXT", "The compressed data from the server is damaged"},
    };
    for (const auto& [path, message] : cases) {
        Transfer transfer;
        transfer.Run(Url(path));
        ExpectFailedWith(transfer.heard, message);
    }
}

// Zeros after the gzip member, as some servers pad a body, are not data; gzip(1) ignores them too.
TEST(WinHttpTransfer, CompressedBodyWithTrailingZerosCompletes) {
    Transfer transfer;
    transfer.Run(Url("/gzip/padded.TXT"));
    ExpectCompletedWith(transfer.heard, DataFile("/gzip/padded.TXT"));
}

TEST(WinHttpTransfer, CompressedBodyInflatingPastTheLimitStops) {
    Transfer transfer({.bodyBytes = 1u << 20});
    transfer.Run(Url("/gzip/bomb.TXT"));
    ExpectFailedWith(transfer.heard, "The server sent more than 1 MiB");
    EXPECT_LE(transfer.heard.body.size(), 1u << 20);
}

// Wine's WinHTTP holds at most 8 KiB at a time: one event for each would be hundreds of
// messages, each through the Wine server. The body comes whole, in one.
TEST(WinHttpTransfer, DeliversAFiveMegabyteBodyInOneEvent) {
    Transfer transfer;
    transfer.Run(Url("/batch/5MB.TXT"));
    const std::string expected = DataFile("/batch/5MB.TXT");
    EXPECT_GT(expected.size(), 5'000'000u);
    ExpectCompletedWith(transfer.heard, expected);
    std::printf("  %d data events\n", transfer.heard.chunks);
    EXPECT_EQ(transfer.heard.chunks, 1);
}

// The body goes on arriving while the user-interface thread is busy elsewhere.
TEST(WinHttpTransfer, DeliversEverythingWhileTheUserInterfaceIsBusy) {
    for (const char* path : {kBigFile, "/batch/5MB.TXT"}) {
        Transfer transfer;
        transfer.Start(Url(path));
        Sleep(1500);
        EXPECT_TRUE(PumpUntil([&] { return transfer.heard.Ended(); }, kTransferLimit)) << path;
        ExpectCompletedWith(transfer.heard, DataFile(path));
    }
}

TEST(WinHttpTransfer, DeliversAFolderPage) {
    Transfer transfer;
    transfer.Run(Url("/data/observations/metar/cycles/"));
    EXPECT_EQ(transfer.heard.errors, std::vector<std::string>{});
    EXPECT_EQ(transfer.heard.completions.size(), 1u);
    EXPECT_NE(transfer.heard.body.find("14Z.TXT"), std::string::npos);
}

TEST(WinHttpTransfer, NotFoundIsAnErrorWithStatusAndReason) {
    Transfer transfer;
    transfer.Run(Url("/pub/data/observations/metar/cycles/99Z.TXT"));
    EXPECT_EQ(transfer.heard.errors, std::vector<std::string>{"HTTP 404 Not Found"});
    EXPECT_TRUE(transfer.heard.completions.empty());
    EXPECT_EQ(transfer.heard.chunks, 0);
}

TEST(WinHttpTransfer, ServerErrorIsAnError) {
    Transfer transfer;
    transfer.Run(Url("/fault/500.TXT"));
    EXPECT_EQ(transfer.heard.errors, std::vector<std::string>{"HTTP 500 Internal Server Error"});
    EXPECT_TRUE(transfer.heard.completions.empty());
}

TEST(WinHttpTransfer, FollowsARedirect) {
    Transfer transfer;
    transfer.Run(Url("/fault/moved"));
    ExpectCompletedWith(transfer.heard, DataFile(kPage));
}

TEST(WinHttpTransfer, FollowsARedirectFromHttpToHttps) {
    if (TestOptions().tlsBase.empty()) {
        GTEST_SKIP() << "the stand-in has no HTTPS listener";
    }
    Transfer transfer;
    transfer.Run(Url("/fault/to-https"));
    ExpectCompletedWith(transfer.heard, DataFile(kPage));
}

// WinHTTP's own policy: never from HTTPS down to plain HTTP, where anyone on the way could change
// the data.
TEST(WinHttpTransfer, RefusesARedirectFromHttpsToHttp) {
    if (TestOptions().tlsBase.empty()) {
        GTEST_SKIP() << "the stand-in has no HTTPS listener";
    }
    Transfer transfer;
    transfer.Run(TestOptions().tlsBase + "/fault/to-http");
    ExpectFailedWith(transfer.heard,
                     "The server's redirect was not followed (to plain HTTP, or too many)");
    EXPECT_EQ(transfer.heard.chunks, 0);
}

TEST(WinHttpTransfer, FetchesOverHttps) {
    if (TestOptions().tlsBase.empty()) {
        GTEST_SKIP() << "the stand-in has no HTTPS listener";
    }
    Transfer transfer;
    transfer.Run(TestOptions().tlsBase + kBigFile);
    ExpectCompletedWith(transfer.heard, DataFile(kBigFile));
}

TEST(WinHttpTransfer, CertificateForAnotherNameFailsWithoutTheTlsHint) {
    if (TestOptions().tlsBase.empty() || !RunningUnderWine()) {
        GTEST_SKIP() << "needs the HTTPS listener, and Wine, which matches no IP address";
    }
    std::string url = TestOptions().tlsBase;
    url.replace(url.find("localhost"), std::strlen("localhost"), "127.0.0.1");
    Transfer transfer;
    transfer.Run(url + kPage);
    ExpectFailedWith(transfer.heard, "No secure connection to 127.0.0.1:");
    EXPECT_EQ(transfer.heard.errors[0].find("TLS 1.2"), std::string::npos);
}

TEST(WinHttpTls, SessionAsksForTls12) {
    EXPECT_FALSE(RouteFor(Url(kPage)).session->tlsVersionNotOffered);
}

// Where the system would not let the session ask for TLS 1.2, a secure channel that fails gets
// the hint; a certificate problem never does.
TEST(WinHttpTls, HintOnlyForAFailedSecureChannel) {
    struct Case {
        DWORD code;
        DWORD flags;
        bool hint;
    };
    const Case cases[] = {
        {ERROR_WINHTTP_SECURE_CHANNEL_ERROR, 0, true},
        {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR, true},
        {ERROR_WINHTTP_SECURE_FAILURE, WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, false},
        {ERROR_WINHTTP_SECURE_FAILURE,
         WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID |
             WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR,
         false},
        {ERROR_WINHTTP_SECURE_INVALID_CA, 0, false},
        {ERROR_WINHTTP_SECURE_CERT_DATE_INVALID, 0, false},
    };
    for (const Case& c : cases) {
        const TransferFailure refused =
            WinHttpFailure(c.code, {.secureFailureFlags = c.flags, .tlsVersionNotOffered = true});
        EXPECT_EQ(refused.kind, TransferFailureKind::Tls);
        EXPECT_EQ(refused.tlsVersionNotOffered, c.hint) << c.code << " " << c.flags;
        EXPECT_FALSE(WinHttpFailure(c.code, {.secureFailureFlags = c.flags}).tlsVersionNotOffered);
    }
}

TEST(WinHttpTransfer, BodyCutShortIsAnError) {
    Transfer transfer;
    transfer.Run(Url("/fault/short.TXT"));
    ExpectFailedWith(transfer.heard, "Download cut short");
}

// Without a length, a body is whole only when it ends as its kind must; these end mid-line.
TEST(WinHttpTransfer, BodyBrokenOffMidLineIsAnError) {
    for (const char* path : {"/cut/chunked.TXT", "/cut/closed.TXT"}) {
        Transfer transfer;
        transfer.Run(Url(path));
        ExpectFailedWith(transfer.heard, "Download broken off (127.0.0.1:");
        EXPECT_NE(transfer.heard.errors.at(0).find("after 1000 bytes"), std::string::npos) << path;
    }
}

TEST(WinHttpTransfer, StallAfterTheHeadersEndsWithATimeOut) {
    Transfer transfer({.inactivity = milliseconds(1500)});
    const auto start = std::chrono::steady_clock::now();
    transfer.Run(Url("/fault/stall.TXT"));
    ExpectFailedWith(transfer.heard, "No data from the server for 1500 ms");
    EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(8));
}

TEST(WinHttpTransfer, ServerThatNeverAnswersEndsWithATimeOut) {
    Transfer transfer({.inactivity = seconds(2)});
    transfer.Run(Url("/fault/silent.TXT"));
    ExpectFailedWith(transfer.heard, "No data from the server for 2 seconds");
}

// WinHTTP reports no connecting on a connection it reuses; the time-out is still the server's.
TEST(WinHttpTransfer, ServerSilentOnAReusedConnectionEndsWithATimeOut) {
    Transfer transfer({.inactivity = seconds(2)});
    transfer.Run(Url("/kept/open.TXT"));
    ExpectCompletedWith(transfer.heard, DataFile("/kept/open.TXT"));
    transfer.heard.Clear();
    transfer.Run(Url("/fault/silent.TXT"));
    ExpectFailedWith(transfer.heard, "No data from the server for 2 seconds");
}

TEST(WinHttpTransfer, SlowDripCompletes) {
    Transfer transfer({.inactivity = seconds(1)});
    transfer.Run(Url(kDrip));
    ExpectCompletedWith(transfer.heard, DataFile(kDrip));
}

TEST(WinHttpTransfer, EndlessBodyStopsAtTheLimit) {
    Transfer transfer({.bodyBytes = 1u << 20});
    transfer.Run(Url("/fault/huge.TXT"));
    ExpectFailedWith(transfer.heard, "The server sent more than 1 MiB");
    EXPECT_LE(transfer.heard.body.size(), 1u << 20);
}

TEST(WinHttpTransfer, AnnouncedHugeBodyIsRefusedAtOnce) {
    Transfer transfer({.bodyBytes = 1u << 20});
    transfer.Run(Url("/fault/huge-announced.TXT"));
    ExpectFailedWith(transfer.heard, "The server sent more than 1 MiB");
    EXPECT_EQ(transfer.heard.chunks, 0);
}

TEST(WinHttpTransfer, ResetBeforeTheResponseIsAnError) {
    Transfer transfer;
    transfer.Run(Url("/fault/reset.TXT"));
    ExpectFailedWith(transfer.heard, "Download broken off (127.0.0.1:");
}

TEST(WinHttpTransfer, ResetDuringTheBodyIsAnError) {
    Transfer transfer;
    transfer.Run(Url("/fault/reset-midway.TXT"));
    ASSERT_EQ(transfer.heard.errors.size(), 1u);
    EXPECT_TRUE(transfer.heard.completions.empty());
}

TEST(WinHttpTransfer, RefusedConnectionNamesTheServer) {
    Transfer transfer;
    transfer.Run(TestOptions().refusedUrl);
    ExpectFailedWith(transfer.heard, "Cannot connect to 127.0.0.1:");
    // A readable reason follows the server's name, even where winhttp.dll has no message texts.
    EXPECT_NE(transfer.heard.errors[0].find(": ", 20), std::string::npos);
    EXPECT_EQ(transfer.heard.errors[0].find("error 12"), std::string::npos)
        << transfer.heard.errors[0];
}

TEST(WinHttpTransfer, MalformedAddressIsAnError) {
    Transfer transfer;
    transfer.Run("no address at all");
    ExpectFailedWith(transfer.heard, "Bad address");
}

TEST(WinHttpTransfer, DeliversTheDateHeader) {
    Transfer transfer;
    transfer.Run(Url("/dated/16Z.TXT"));
    ExpectCompletedWith(transfer.heard, DataFile("/dated/16Z.TXT"));
    ASSERT_EQ(transfer.heard.completions.size(), 1u);
    EXPECT_EQ(transfer.heard.completions[0].date, "Tue, 14 Jan 2025 16:05:00 GMT");
    // This rule ignores the request for compression, as some servers do.
    EXPECT_FALSE(transfer.heard.completions[0].compressed);
}

TEST(WinHttpTransfer, MissingDateHeaderGivesAnEmptyDate) {
    Transfer transfer;
    transfer.Run(Url("/undated/16Z.TXT"));
    ExpectCompletedWith(transfer.heard, DataFile("/undated/16Z.TXT"));
    ASSERT_EQ(transfer.heard.completions.size(), 1u);
    EXPECT_EQ(transfer.heard.completions[0].date, "");
}

TEST(WinHttpTransfer, RestartHearsOnlyTheNewTransfer) {
    Transfer transfer;
    transfer.Start(Url(kDrip));
    ASSERT_TRUE(PumpUntil([] { return BodyUnderWay(kDrip); }, kTransferLimit));
    transfer.Start(Url(kPage));
    transfer.heard.Clear();
    EXPECT_TRUE(PumpUntil([&] { return transfer.heard.Ended(); }, kTransferLimit));
    // The first transfer would have ended by now.
    PumpFor(kDripDuration);
    ExpectCompletedWith(transfer.heard, DataFile(kPage));
}

TEST(WinHttpTransfer, CancelSilencesATransferUnderWay) {
    Transfer transfer;
    transfer.Start(Url(kDrip));
    ASSERT_TRUE(PumpUntil([] { return BodyUnderWay(kDrip); }, kTransferLimit));
    transfer.control.Cancel();
    transfer.heard.Clear();
    PumpFor(kDripDuration);
    EXPECT_TRUE(transfer.heard.Silent());
}

TEST(WinHttpTransfer, CancelRightAfterStartSilencesTheTransfer) {
    Transfer transfer;
    transfer.Start(Url(kPage));
    transfer.control.Cancel();
    PumpFor(milliseconds(500));
    EXPECT_TRUE(transfer.heard.Silent());
}

TEST(WinHttpTransfer, StartsAgainAfterAnError) {
    Transfer transfer;
    transfer.Run(Url("/fault/500.TXT"));
    transfer.heard.Clear();
    transfer.Run(Url(kPage));
    ExpectCompletedWith(transfer.heard, DataFile(kPage));
}

TEST(WinHttpTransfer, DestroyingTheControlDuringATransferIsSafe) {
    {
        Transfer transfer;
        transfer.Start(Url(kDrip));
        PumpUntil([] { return BodyUnderWay(kDrip); }, kTransferLimit);
    }
    PumpFor(kDripDuration);
    Transfer next;
    next.Run(Url(kPage));
    ExpectCompletedWith(next.heard, DataFile(kPage));
}

// A data handler out of memory ends its transfer with one clear error, not with a time-out, even
// when the throwing batch held the end as well.
TEST(WinHttpTransfer, DataHandlerThatThrowsEndsTheTransferWithOneError) {
    class OutOfMemory : public Recorder {
      public:
        void OnDataArrival(std::string) override { throw std::bad_alloc(); }
    };
    for (const char* path : {kPage, kBigFile}) {
        OutOfMemory heard;
        WinHttpControl control;
        control.SetListener(heard);
        control.SetUrl(Url(path));
        control.Start();
        EXPECT_TRUE(PumpUntil([&] { return heard.Ended(); }, kTransferLimit)) << path;
        PumpFor(kAfterEnd);
        ExpectFailedWith(heard, "Not enough memory to hold the downloaded data");
    }
}

// Without a window, a completion handler's error is held for the run's own loop to raise: a box
// would wait for a click that never comes.
TEST(WinHttpTransfer, AHandlersErrorIsHeldWhileTheRunHasNoWindow) {
    class Failing : public Recorder {
      public:
        void OnComplete(const HttpResponseInfo& info) override {
            Recorder::OnComplete(info);
            throw std::runtime_error("the handler failed");
        }
    };
    const HeldFailures held;
    Failing heard;
    WinHttpControl control;
    control.SetListener(heard);
    control.SetUrl(Url(kPage));
    control.Start();
    EXPECT_TRUE(PumpUntil([&] { return heard.Ended(); }, kTransferLimit));
    EXPECT_THROW(RaiseHeldFailure(), std::runtime_error);
    EXPECT_NO_THROW(RaiseHeldFailure()) << "raised once";
}

// How many requests for `path` the stand-in has had.
int RequestsFor(const std::string& path) {
    Transfer log;
    log.Run(Url("/__requests"));
    const std::string entry = "\"path\": \"" + path + '"';
    int count = 0;
    for (auto at = log.heard.body.find(entry); at != std::string::npos;
         at = log.heard.body.find(entry, at + 1)) {
        ++count;
    }
    return count;
}

// A server's request for a sign-in is never answered with the Windows account.
TEST(WinHttpTransfer, ServerThatAsksForASignInGetsOneRequest) {
    Transfer transfer;
    transfer.Run(Url("/auth/negotiate.TXT"));
    ExpectFailedWith(transfer.heard, "HTTP 401");
    EXPECT_EQ(RequestsFor("/auth/negotiate.TXT"), 1);
}

// No proxy anywhere, automatic detection on (run_winhttp_tests.py) and nothing found: a server
// that answers as a proxy would is only a server.
TEST(WinHttpTransfer, DirectServerThatAsksAsAProxyGetsOneRequest) {
    Transfer transfer;
    transfer.Run(Url("/proxy/ntlm.TXT"));
    ExpectFailedWith(transfer.heard, "HTTP 407");
    EXPECT_EQ(RequestsFor("/proxy/ntlm.TXT"), 1);
}

// Left running when the program ends: leaving must not crash.
TEST(WinHttpTransfer, ProgramCanEndWithATransferUnderWay) {
    static Transfer leftRunning;
    leftRunning.Start(Url("/fault/stall.TXT"));
    PumpFor(milliseconds(200));
    EXPECT_TRUE(leftRunning.heard.Silent());
}

// The proxy suite runs with the stand-in as the proxy for every scheme and localhost reached
// directly (run_winhttp_tests.py --proxy). Only the proxy reaches this host, by whatever name.
constexpr char kProxiedHost[] = "nimbrel-origin.invalid";

bool ProxySuite() {
    return GetEnvironmentVariableW(L"http_proxy", nullptr, 0) != 0;
}

std::string PortOf(const std::string& url) {
    const auto colon = url.rfind(':');
    return url.substr(colon + 1, url.find('/', colon) - colon - 1);
}

TEST(WinHttpProxy, PlainHttpGoesThroughTheProxy) {
    if (!ProxySuite()) {
        GTEST_SKIP() << "needs the proxy variables";
    }
    Transfer transfer;
    transfer.Run(std::string("http://") + kProxiedHost + kPage);
    ExpectCompletedWith(transfer.heard, DataFile(kPage));
}

TEST(WinHttpProxy, HttpsGoesThroughATunnel) {
    if (!ProxySuite() || TestOptions().tlsBase.empty()) {
        GTEST_SKIP() << "needs the proxy variables and the HTTPS listener";
    }
    Transfer transfer;
    transfer.Run(std::string("https://") + kProxiedHost + ":" + PortOf(TestOptions().tlsBase) +
                 kPage);
    ExpectCompletedWith(transfer.heard, DataFile(kPage));
}

TEST(WinHttpProxy, HostsOfNoProxyAreReachedDirectly) {
    if (!ProxySuite()) {
        GTEST_SKIP() << "needs the proxy variables";
    }
    constexpr char kDirect[] = "/proxy/direct.TXT";
    Transfer transfer;
    transfer.Run("http://localhost:" + PortOf(TestOptions().base) + kDirect);
    ExpectCompletedWith(transfer.heard, DataFile(kDirect));
    Transfer log;
    log.Run(Url("/__requests"));
    const auto entry = log.heard.body.find(std::string("\"path\": \"") + kDirect + '"');
    ASSERT_NE(entry, std::string::npos) << log.heard.body;
    const auto proxied = log.heard.body.find("\"proxied\": ", entry);
    ASSERT_NE(proxied, std::string::npos);
    EXPECT_TRUE(StartsWith(log.heard.body.substr(proxied), "\"proxied\": false"));
}

// A Basic challenge asks for a password the program does not have; the Windows account is
// offered only to NTLM and Negotiate.
TEST(WinHttpProxy, ProxyThatWantsASignInIsNamed) {
    if (!ProxySuite()) {
        GTEST_SKIP() << "needs the proxy variables";
    }
    Transfer transfer;
    transfer.Run(std::string("http://") + kProxiedHost + "/proxy/sign-in.TXT");
    ExpectFailedWith(transfer.heard, "The proxy 127.0.0.1:" + PortOf(TestOptions().base) +
                                         " (from http_proxy) asks for a sign-in, which Nimbrel "
                                         "does not support");
}

// A server reached directly that answers as a proxy would is a server: no account, no second
// request.
TEST(WinHttpProxy, DirectServerThatAsksAsAProxyGetsOneRequest) {
    if (!ProxySuite()) {
        GTEST_SKIP() << "needs the proxy variables";
    }
    Transfer transfer;
    transfer.Run("http://localhost:" + PortOf(TestOptions().base) + "/proxy/ntlm.TXT");
    ExpectFailedWith(transfer.heard, "HTTP 407");
    EXPECT_EQ(RequestsFor("/proxy/ntlm.TXT"), 1);
}

// The proxy took the connection and ended it before any response: the proxy is named, not the
// server it never reached.
TEST(WinHttpProxy, ProxyThatClosesBeforeAnyResponseIsNamed) {
    if (!ProxySuite()) {
        GTEST_SKIP() << "needs the proxy variables";
    }
    for (const char* path : {"/proxy/closed.TXT", "/fault/reset.TXT"}) {
        Transfer transfer;
        transfer.Run(std::string("http://") + kProxiedHost + path);
        ExpectFailedWith(transfer.heard, "The connection through the proxy 127.0.0.1:" +
                                             PortOf(TestOptions().base) +
                                             " (from http_proxy) broke off before any response");
    }
}

// A redirect to a host the proxy variables exempt goes there directly, and its failure is that
// host's, not the proxy's.
TEST(WinHttpProxy, RedirectToAHostOfNoProxyNamesThatHost) {
    if (!ProxySuite()) {
        GTEST_SKIP() << "needs the proxy variables";
    }
    Transfer transfer;
    transfer.Run(std::string("http://") + kProxiedHost + "/proxy/to-bypass.TXT");
    ExpectFailedWith(transfer.heard,
                     "Cannot connect to localhost:" + PortOf(TestOptions().refusedUrl));
}

// Wine starts TLS over the proxy's refusal of the tunnel; Windows reports the 407 itself. Either
// way the message names the proxy, not the server it could not reach.
TEST(WinHttpProxy, TunnelThatTheProxyRefusesNamesTheProxy) {
    if (!ProxySuite() || TestOptions().tlsBase.empty()) {
        GTEST_SKIP() << "needs the proxy variables and the HTTPS listener";
    }
    Transfer transfer;
    transfer.Run("https://proxy-sign-in.invalid:" + PortOf(TestOptions().tlsBase) + kPage);
    const std::string proxy = "127.0.0.1:" + PortOf(TestOptions().base) + " (from https_proxy)";
    ASSERT_EQ(transfer.heard.errors.size(), 1u);
    const std::string& error = transfer.heard.errors[0];
    EXPECT_TRUE(error == "No secure connection through the proxy " + proxy +
                             ": it may have refused or intercepted the tunnel" ||
                error ==
                    "The proxy " + proxy + " asks for a sign-in, which Nimbrel does not support")
        << error;
}

// The dead-proxy suite runs with https_proxy alone, naming a port where nothing listens
// (run_winhttp_tests.py --dead-proxy). Each request's scheme decides its proxy, whichever came
// first in the run.
TEST(WinHttpDeadProxy, EachSchemeGoesItsOwnWayAndTheDeadProxyIsNamed) {
    Transfer direct;
    direct.Run(Url(kPage));
    ExpectCompletedWith(direct.heard, DataFile(kPage));
    Transfer proxied;
    proxied.Run("https://nimbrel-origin.invalid/");
    ExpectFailedWith(proxied.heard, "Cannot connect to the proxy 127.0.0.1:");
    EXPECT_NE(proxied.heard.errors.at(0).find(" (from https_proxy)"), std::string::npos);
}

}  // namespace
}  // namespace nimbrel
