// FTP transfer throughput over loopback: the FTP client's get and put of a 100 MB
// file against the curl command on the same server in the same run, and a wildcard
// download of 1000 small files (beside a curl run over 100 of them). The server is vsftpd when
// running as root, pyftpdlib otherwise (the benchmark names say which).
//
//   build/test/bin/ftp_bench
#include "common/ftp/ftp_session.h"
#include "ftp_test_server.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using ob::test::FtpServerKind;
using ob::test::FtpTestServer;

constexpr std::size_t kBigFile = 100u * 1000u * 1000u;
constexpr int kSmallFiles = 1000;

class NullSink final : public ob::common::ftp::FtpStatusSink {
public:
    void SetVariable(const char*, std::string_view) override {}
    void SetLastError(std::string_view) override {}
};

/// One server for the whole run, serving root/ (its folder w/ is writable).
struct Bench {
    fs::path base;
    std::unique_ptr<FtpTestServer> server;

    Bench() {
        char pattern[] = "/tmp/ftp_bench.XXXXXX";
        base = ::mkdtemp(pattern);
        fs::create_directories(base / "root" / "w" / "small");
        fs::create_directories(base / "local" / "small");
        fs::permissions(base / "root" / "w", fs::perms::all);
        fs::permissions(base / "root" / "w" / "small", fs::perms::all);
        ob::test::WriteFileBytes((base / "root" / "w" / "big.bin").string(),
                                 std::string(kBigFile, 'b'));
        ob::test::WriteFileBytes((base / "local" / "big.bin").string(), std::string(kBigFile, 'l'));
        for (int i = 0; i < kSmallFiles; ++i) {
            ob::test::WriteFileBytes(
                (base / "root" / "w" / "small" / ("f" + std::to_string(i))).string(),
                std::string(1000, 's'));
        }
        const FtpServerKind kind =
            ::geteuid() == 0 ? FtpServerKind::kVsftpd : FtpServerKind::kPyftpdlib;
        server = std::make_unique<FtpTestServer>(
            ob::test::FtpServerOptions{kind, (base / "root").string(), "127.0.0.1", {}});
    }
    ~Bench() {
        server.reset();
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }
    std::string Url(const std::string& path) const {
        return "ftp://127.0.0.1:" + std::to_string(server->Port()) + "/w/" + path;
    }
    std::string Credentials() const { return server->User() + ":" + server->Password(); }
    ob::common::ftp::FtpConnectOptions Options() const {
        ob::common::ftp::FtpConnectOptions options;
        options.host = "127.0.0.1";
        options.port = server->Port();
        options.user = server->User();
        options.password = server->Password();
        return options;
    }
};

Bench& TheBench() {
    static Bench bench;
    return bench;
}

bool RunCurl(const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const std::string& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, "/usr/bin/curl", nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Ready(benchmark::State& state) {
    if (!TheBench().server->Problem().empty()) {
        state.SkipWithError(TheBench().server->Problem().c_str());
        return false;
    }
    return true;
}

/// Runs `operation` (a session call) once per iteration on a session logged on in
/// the server's folder w/.
template <typename Operation> void RunSession(benchmark::State& state, Operation operation) {
    if (!Ready(state)) {
        return;
    }
    NullSink sink;
    ob::common::ftp::FtpSession session(sink);
    if (!session.Connect(TheBench().Options()) || !session.Cd("w")) {
        state.SkipWithError("connect failed");
        return;
    }
    for (auto _ : state) {
        if (!operation(session)) {
            state.SkipWithError("the transfer failed");
            return;
        }
    }
}

/// Runs the curl command with `words` after its credentials once per iteration.
void RunCurlCommand(benchmark::State& state, const std::vector<std::string>& words) {
    if (!Ready(state)) {
        return;
    }
    std::vector<std::string> command = {"curl", "-s", "-u", TheBench().Credentials()};
    command.insert(command.end(), words.begin(), words.end());
    for (auto _ : state) {
        if (!RunCurl(command)) {
            state.SkipWithError("curl failed");
            return;
        }
    }
}

void BM_FtpSessionGet100MB(benchmark::State& state) {
    const std::string local = (TheBench().base / "local" / "got.bin").string();
    RunSession(state, [&](auto& session) { return session.Get("big.bin", local, 1); });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigFile));
}

void BM_CurlCommandGet100MB(benchmark::State& state) {
    const std::string local = (TheBench().base / "local" / "curl.bin").string();
    RunCurlCommand(state, {"-o", local, TheBench().Url("big.bin")});
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigFile));
}

void BM_FtpSessionPut100MB(benchmark::State& state) {
    const std::string local = (TheBench().base / "local" / "big.bin").string();
    RunSession(state, [&](auto& session) { return session.Put(local, "put.bin", 1); });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigFile));
}

void BM_CurlCommandPut100MB(benchmark::State& state) {
    const std::string local = (TheBench().base / "local" / "big.bin").string();
    RunCurlCommand(state, {"-T", local, TheBench().Url("curlput.bin")});
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigFile));
}

void BM_FtpSessionMGet1000SmallFiles(benchmark::State& state) {
    const std::string local = (TheBench().base / "local" / "small").string();
    RunSession(state, [&](auto& session) { return session.MGet("small/*", local, 1); });
    state.SetItemsProcessed(state.iterations() * kSmallFiles);
}

void BM_CurlCommandGet100SmallFiles(benchmark::State& state) {
    // One curl run with a URL range fetches a tenth of the files over one
    // connection. It runs into libcurl's one-second passive-connect stall at times
    // (which the client works around), so it takes only 100 files to stay bounded.
    constexpr int kFiles = kSmallFiles / 10;
    const std::string local = (TheBench().base / "local" / "curl_small").string();
    fs::create_directories(local);
    RunCurlCommand(state, {TheBench().Url("small/f[0-" + std::to_string(kFiles - 1) + "]"), "-o",
                           local + "/#1"});
    state.SetItemsProcessed(state.iterations() * kFiles);
}

// Interleaved, so that both sides meet the same disk and cache state.
BENCHMARK(BM_FtpSessionGet100MB)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlCommandGet100MB)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FtpSessionPut100MB)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlCommandPut100MB)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FtpSessionMGet1000SmallFiles)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlCommandGet100SmallFiles)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
