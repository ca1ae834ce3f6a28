// Test support: real FTP servers on loopback, started for a test and stopped with
// it. pyftpdlib (Debian's python3-pyftpdlib, run by /usr/bin/python3) serves a
// folder to the user "tester"/"secret" and can play a hostile server; vsftpd
// (root only) serves a folder to anonymous users.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace ob::test {

enum class FtpServerKind { kPyftpdlib, kVsftpd };

struct FtpServerOptions {
    FtpServerKind kind = FtpServerKind::kPyftpdlib;
    std::string root; ///< the served folder
    std::string host = "127.0.0.1";
    std::vector<std::string> extra; ///< pyftpdlib: --tls DIR, --hostile, --drop NAME
};

class FtpTestServer {
public:
    explicit FtpTestServer(const FtpServerOptions& options);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    /// Empty when the server runs; otherwise why it could not start (for
    /// GTEST_SKIP).
    const std::string& Problem() const { return problem_; }
    unsigned short Port() const { return port_; }
    /// The user name and password the server accepts.
    std::string User() const;
    std::string Password() const;

private:
    void StartPyftpdlib(const FtpServerOptions& options);
    void StartVsftpd(const FtpServerOptions& options);

    FtpServerKind kind_;
    pid_t pid_ = -1;
    unsigned short port_ = 0;
    std::string problem_;
};

/// A file's bytes, and writing bytes to a new file.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

} // namespace ob::test
