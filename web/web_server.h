// The web dashboard's HTTP server (cpp-httplib): it listens on its own thread and
// serves on a bounded pool of worker threads (BoundedTaskQueue), never on the
// engine thread. Start and Stop are called by the host's main thread; the server
// must be stopped before its session is destroyed (the destructor stops it).
#pragma once

#include "web/dashboard.h"
#include "web/web_address.h"

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

namespace ob::web {

class WebServer {
public:
    /// Seconds a client may take to send a request or read an answer, and a kept-alive
    /// connection may stay idle, before it is closed.
    static constexpr int kClientTimeoutSeconds = 10;

    explicit WebServer(DashboardOptions options);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    /// Binds `endpoint` and starts serving; false with `problem` when it cannot bind.
    bool Start(const WebEndpoint& endpoint, std::string& problem);
    /// The bound port (the chosen one when 0 was asked for).
    std::uint16_t Port() const { return port_; }
    /// Stops listening, lets the workers finish what they serve, and joins them.
    void Stop();

private:
    Dashboard dashboard_;
    httplib::Server server_;
    std::thread listener_;
    std::uint16_t port_ = 0;
};

} // namespace ob::web
