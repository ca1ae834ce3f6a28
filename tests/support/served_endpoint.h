// Test support: a host endpoint served on a thread of its own, standing in for a
// running host program.
#pragma once

#include "platform/control/host_endpoint.h"

#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <string>
#include <thread>

namespace ob::test {

class ServedEndpoint {
public:
    ServedEndpoint(const std::string& directory, control::RequestHandler handler)
        : handler_(std::move(handler)) {
        std::string problem;
        EXPECT_TRUE(listener_.Open(directory, problem)) << problem;
        thread_ = std::thread([this] {
            while (!stop_.load()) {
                pollfd ready{listener_.Fd(), POLLIN, 0};
                if (::poll(&ready, 1, 20) == 1) {
                    listener_.Serve(handler_);
                }
            }
        });
    }
    ~ServedEndpoint() { Close(); }
    ServedEndpoint(const ServedEndpoint&) = delete;
    ServedEndpoint& operator=(const ServedEndpoint&) = delete;

    const std::string& Path() const { return path_.empty() ? listener_.Path() : path_; }
    /// Stops serving and removes the endpoint, as a host does when it has gone.
    void Close() {
        if (thread_.joinable()) {
            path_ = listener_.Path();
            stop_.store(true);
            thread_.join();
            listener_.Close();
        }
    }

private:
    control::EndpointListener listener_;
    control::RequestHandler handler_;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace ob::test
