#include "web/web_server.h"

#include "web/bounded_task_queue.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>

namespace ob::web {

WebServer::WebServer(DashboardOptions options) : dashboard_(std::move(options)) {
    server_.new_task_queue = [] { return new BoundedTaskQueue(); };
    server_.set_read_timeout(kClientTimeoutSeconds, 0);
    server_.set_write_timeout(kClientTimeoutSeconds, 0);
    server_.set_keep_alive_timeout(kClientTimeoutSeconds);
    server_.set_keep_alive_max_count(100);
    // SO_REUSEADDR only (not SO_REUSEPORT): a second server must not share the port.
    // The listening socket is close-on-exec; children close the others when they start.
    server_.set_socket_options([](int sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        ::fcntl(sock, F_SETFD, FD_CLOEXEC);
    });
    dashboard_.Install(server_);
}

WebServer::~WebServer() {
    Stop();
}

bool WebServer::Start(const WebEndpoint& endpoint, std::string& problem) {
    const int port =
        endpoint.port == 0
            ? server_.bind_to_any_port(endpoint.host)
            : (server_.bind_to_port(endpoint.host, endpoint.port) ? endpoint.port : -1);
    if (port < 0) {
        problem = "cannot listen on " + FormatWebAddress(endpoint) + ": " + std::strerror(errno);
        return false;
    }
    port_ = static_cast<std::uint16_t>(port);
    listener_ = std::thread([this] { server_.listen_after_bind(); });
    return true;
}

void WebServer::Stop() {
    if (listener_.joinable()) {
        server_.stop();
        listener_.join();
    }
}

} // namespace ob::web
