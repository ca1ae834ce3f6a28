// Test support: a server program on loopback that the test starts and stops. The
// program writes its port to a file once it accepts connections; the server is
// ended (SIGTERM, then SIGKILL) when the object goes.
#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ob::test {

/// Debian's Python, which has the modules the test servers need.
inline constexpr const char* kSystemPython = "/usr/bin/python3";

inline std::string MailTestScript(const std::string& name) {
    return std::string(OB_TEST_DATA_DIR) + "/../" + name;
}

/// Whether Debian's Python can import `module`.
inline bool PythonHas(const std::string& module) {
    const std::string command =
        std::string(kSystemPython) + " -c 'import " + module + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

class LoopbackServer {
public:
    /// Starts `argv` (the port-file option is added) and waits up to 20 s for the port.
    LoopbackServer(std::vector<std::string> argv, const std::string& portFile) {
        argv.push_back("--port-file");
        argv.push_back(portFile);
        Spawn(argv);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(portFile);
            if (in >> port_) {
                return;
            }
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~LoopbackServer() {
        if (pid_ <= 0) {
            return;
        }
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    /// Starts `argv`, a server that listens on `port` (see FreePort), and waits up to
    /// 20 s for it to accept connections.
    LoopbackServer(std::vector<std::string> argv, int port) {
        Spawn(argv);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const bool up =
                ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
            if (up) {
                port_ = port;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    /// 0 when the server did not come up.
    int Port() const { return port_; }

private:
    void Spawn(std::vector<std::string> argv) {
        std::vector<char*> args;
        for (auto& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        if (::posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) {
            pid_ = -1;
        }
    }

    pid_t pid_ = -1;
    int port_ = 0;
};

/// A port on 127.0.0.1 that was free a moment ago.
inline int FreePort() {
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

/// A self-signed certificate for localhost and 127.0.0.1, made with openssl; false
/// when openssl failed.
inline bool MakeCertificate(const std::string& cert, const std::string& key) {
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost"
        " -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout '" +
        key + "' -out '" + cert + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace ob::test
