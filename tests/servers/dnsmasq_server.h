// A dnsmasq on a free loopback port answering the PTR queries of a hosts file ("address name"
// lines) and nothing else; started by the constructor, stopped by the destructor.
#pragma once

#include <arpa/inet.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace vestrel::testing_util {

// A loopback socket of `type` bound to a free port; the caller closes it.
inline int BindLoopback(int type, int& port) {
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

inline bool AcceptsConnections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

class TDnsmasqServer {
  public:
    explicit TDnsmasqServer(const std::string& hostsFile) {
        ::close(BindLoopback(SOCK_STREAM, port_));
        const std::vector<std::string> arguments{"/usr/sbin/dnsmasq",
                                                 "--no-daemon",
                                                 "--port=" + std::to_string(port_),
                                                 "--listen-address=127.0.0.1",
                                                 "--bind-interfaces",
                                                 "--no-resolv",
                                                 "--no-hosts",
                                                 "--conf-file=/dev/null",
                                                 "--pid-file=",
                                                 "--user=",
                                                 "--bogus-priv",
                                                 "--addn-hosts=" + hostsFile};
        pid_ = ::fork();
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            std::freopen("/dev/null", "w", stderr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!Ready() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~TDnsmasqServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    TDnsmasqServer(const TDnsmasqServer&) = delete;
    TDnsmasqServer& operator=(const TDnsmasqServer&) = delete;

    int Port() const { return port_; }
    bool Ready() const { return AcceptsConnections(port_); }

  private:
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace vestrel::testing_util
