#include "ftp_test_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ob::test {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

pid_t Spawn(const std::vector<std::string>& argv, int stdoutFd, const std::string& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    }
    // The server's own log goes to a file beside the served folder.
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

unsigned short FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

FtpTestServer::FtpTestServer(const FtpServerOptions& options) : kind_(options.kind) {
    if (options.kind == FtpServerKind::kPyftpdlib) {
        StartPyftpdlib(options);
    } else {
        StartVsftpd(options);
    }
}

FtpTestServer::~FtpTestServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

std::string FtpTestServer::User() const {
    return kind_ == FtpServerKind::kPyftpdlib ? "tester" : "anonymous";
}

std::string FtpTestServer::Password() const {
    return kind_ == FtpServerKind::kPyftpdlib ? "secret" : "test@example.com";
}

void FtpTestServer::StartPyftpdlib(const FtpServerOptions& options) {
    if (::access(kPython, X_OK) != 0) {
        problem_ = "needs /usr/bin/python3 with python3-pyftpdlib";
        return;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        problem_ = "pipe failed";
        return;
    }
    std::vector<std::string> argv = {kPython,  OB_FTP_SERVER_SCRIPT, "--root", options.root,
                                     "--host", options.host};
    argv.insert(argv.end(), options.extra.begin(), options.extra.end());
    pid_ = Spawn(argv, pipeFds[1], options.root + ".log");
    ::close(pipeFds[1]);
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (output.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd wait{pipeFds[0], POLLIN, 0};
        if (::poll(&wait, 1, 200) <= 0) {
            continue;
        }
        char buffer[256];
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    if (output.rfind("PORT ", 0) != 0) {
        problem_ = "the pyftpdlib server did not start (needs python3-pyftpdlib and "
                   "python3-openssl under /usr/bin/python3)";
        return;
    }
    port_ = static_cast<unsigned short>(std::stoi(output.substr(5)));
}

void FtpTestServer::StartVsftpd(const FtpServerOptions& options) {
    if (::geteuid() != 0) {
        problem_ = "vsftpd tests need root";
        return;
    }
    if (::access("/usr/sbin/vsftpd", X_OK) != 0) {
        problem_ = "needs the vsftpd package";
        return;
    }
    namespace fs = std::filesystem;
    // "--tls DIR": explicit TLS with a self-signed certificate made in DIR.
    std::string tlsDirectory;
    for (std::size_t i = 0; i + 1 < options.extra.size(); ++i) {
        if (options.extra[i] == "--tls") {
            tlsDirectory = options.extra[i + 1];
        }
    }
    const std::string pem = tlsDirectory + "/server.pem";
    if (!tlsDirectory.empty()) {
        const pid_t maker = Spawn({kPython, OB_FTP_SERVER_SCRIPT, "--root", options.root, "--tls",
                                   tlsDirectory, "--cert-only"},
                                  -1, options.root + ".log");
        int status = 0;
        if (maker < 0 || ::waitpid(maker, &status, 0) != maker || !fs::exists(pem)) {
            problem_ = "could not make a certificate (needs python3-openssl)";
            return;
        }
    }
    // vsftpd serves anonymous users from a root they cannot write; the tests work in
    // its folder "pub", which the ftp account owns.
    const fs::path base = fs::path(options.root).parent_path() / "vsftpd";
    fs::create_directories(base / "empty");
    port_ = FreePort();
    const std::string config = (base / "vsftpd.conf").string();
    std::ofstream out(config);
    out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << port_
        << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
           "anon_root="
        << options.root
        << "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
           "anon_other_write_enable=YES\nanon_umask=022\nallow_writeable_chroot=YES\n"
           "seccomp_sandbox=NO\nsecure_chroot_dir="
        << (base / "empty").string()
        << "\nftp_username=ftp\npasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n"
           "xferlog_enable=NO\nuse_localtime=YES\nhide_ids=NO\n";
    if (!tlsDirectory.empty()) {
        out << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
               "force_anon_data_ssl=YES\nrsa_cert_file="
            << pem << "\nrsa_private_key_file=" << pem << "\n";
    }
    out.close();
    pid_ = Spawn({"/usr/sbin/vsftpd", config}, -1, options.root + ".log");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Accepts(port_)) {
        if (std::chrono::steady_clock::now() > deadline) {
            problem_ = "vsftpd did not start";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace ob::test
