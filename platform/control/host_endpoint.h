// Host endpoints: how one process reaches the running host programs of the
// machine, standing in for finding a program's main window and sending it a
// registered message. Each host program listens on a local (AF_UNIX) stream socket
// "host-<pid>.sock" in the endpoint folder; a caller lists the folder, connects to
// each socket, sends one request line "MESSAGE WPARAM LPARAM" (decimal numbers)
// and reads one answer line, the host's result.
//
// The folder is $OBRENTA_RUNTIME_DIR, else /run/obrenta for root, else
// $XDG_RUNTIME_DIR/obrenta, else /tmp/obrenta-<uid>. It is created with mode 0700
// and used only when it is a real folder owned by this user, so nobody else can
// plant or reach endpoints there; a host also answers only callers running as the
// same user or as root (the peer's credentials are checked). A socket is bound
// under a temporary name and renamed into place once it listens, so an endpoint
// that refuses connections is one whose host has gone.
#pragma once

#include "platform/export.h"
#include "platform/lifetime/unique_fd.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::control {

/// The endpoint folder for this process (the rules above); empty when no folder
/// can be named.
OB_PLATFORM_API std::string EndpointDirectory();

/// Creates the endpoint folder when missing; true when it exists, is a folder (not
/// a link) owned by this user and private to it. `problem` says why not.
OB_PLATFORM_API bool PrepareEndpointDirectory(const std::string& directory, std::string& problem);

/// What a host does with one request: the message name, its two numbers; the
/// returned number is the answer.
using RequestHandler = std::function<std::int64_t(std::string_view message, std::uint64_t wParam,
                                                  std::int64_t lParam)>;

/// The listening side of a host program. Its owner's thread only.
class OB_PLATFORM_API EndpointListener {
public:
    EndpointListener() = default;
    /// Closes the socket and removes its file.
    ~EndpointListener();
    EndpointListener(const EndpointListener&) = delete;
    EndpointListener& operator=(const EndpointListener&) = delete;

    /// Listens at "<directory>/host-<pid>.sock"; false with `problem` when it cannot.
    bool Open(const std::string& directory, std::string& problem);
    /// The listening descriptor, to watch for readability.
    int Fd() const { return socket_.Get(); }
    const std::string& Path() const { return path_; }
    /// Accepts the callers waiting now and answers each request with `handler`.
    /// A caller gets at most a second to send its line; a request that is not
    /// "MESSAGE WPARAM LPARAM" is answered 0 without calling the handler.
    void Serve(const RequestHandler& handler);
    /// Stops listening and removes the socket file now.
    void Close();

private:
    UniqueFd socket_;
    std::string path_;
};

/// The endpoint sockets in `directory`, by name; empty when it cannot be read.
OB_PLATFORM_API std::vector<std::string> ListEndpoints(const std::string& directory);

/// How a request went.
enum class RequestOutcome {
    Answered, ///< the host answered with a number
    Gone,     ///< nobody listens there any more (the file of a stale socket is removed)
    NoAnswer, ///< the host did not answer in time or answered something else
};

/// Sends one request to the endpoint at `path` and waits up to `timeout` for the
/// answer, which goes to `answer`.
OB_PLATFORM_API RequestOutcome SendEndpointRequest(const std::string& path,
                                                   std::string_view message, std::uint64_t wParam,
                                                   std::int64_t lParam,
                                                   std::chrono::milliseconds timeout,
                                                   std::int64_t& answer);

/// True while a host listens at `path`.
OB_PLATFORM_API bool EndpointAlive(const std::string& path);

} // namespace ob::control
