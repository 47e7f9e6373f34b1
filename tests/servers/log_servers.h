// The servers a report's remote logs come from, on free loopback ports, serving one folder:
// FTP (user loguser/secret), the same FTP throttled to 8 KiB/s, HTTP with basic authentication
// (webuser/webpw; a path under /stall/ sends part of its file and then stops answering) and a
// login-like telnet service ("LOGIN: ", "Password: ", then "$ " runs one command and logs out).
// Started by the constructor, stopped by the destructor.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace vestrel::testing_util {

inline constexpr char kLogServersScript[] = R"PY(
import base64, logging, os, socket, sys, threading, time
from http.server import ThreadingHTTPServer, BaseHTTPRequestHandler
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.ERROR)
root = sys.argv[1]
authorizer = DummyAuthorizer()
authorizer.add_user("loguser", "secret", root, perm="elr")
FTPHandler.authorizer = authorizer
FTPHandler.auth_failed_timeout = 0
ftp = FTPServer(("127.0.0.1", 0), FTPHandler)

class SlowDTP(ThrottledDTPHandler):
    read_limit = 8192
    write_limit = 8192
class SlowFTP(FTPHandler):
    dtp_handler = SlowDTP
slow_ftp = FTPServer(("127.0.0.1", 0), SlowFTP)

class Web(BaseHTTPRequestHandler):
    def log_message(self, *args): pass
    def do_GET(self):
        if self.headers.get("Authorization") != "Basic " + base64.b64encode(b"webuser:webpw").decode():
            self.send_response(401); self.end_headers(); return
        stall = self.path.startswith("/stall/")
        path = os.path.join(root, self.path[len("/stall/") if stall else 1:])
        if not os.path.isfile(path):
            self.send_response(404); self.end_headers(); return
        body = open(path, "rb").read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body) + (1000 if stall else 0)))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()
        if stall: time.sleep(120)
web = ThreadingHTTPServer(("127.0.0.1", 0), Web)
web.daemon_threads = True

def read_line(connection):
    line = b""
    while not line.endswith(b"\n"):
        chunk = connection.recv(1)
        if not chunk: break
        line += chunk
    return line.strip()

def telnet_session(connection):
    connection.sendall(b"Welcome\r\nLOGIN: ")
    user = read_line(connection)
    if user == b"drip":
        for i in range(60):
            connection.sendall(b"\x1b.")
            time.sleep(0.5)
        connection.sendall(b"drip done\r\n")
        return connection.close()
    connection.sendall(b"Password: ")
    password = read_line(connection)
    if (user, password) == (b"loguser", b"secret"):
        connection.sendall(b"$ ")
        command = read_line(connection)
        connection.sendall(b"ran " + command + b"\r\nlogged out\r\n")
    connection.close()

telnet = socket.socket()
telnet.bind(("127.0.0.1", 0))
telnet.listen(4)
def serve_telnet():
    while True:
        connection, _ = telnet.accept()
        threading.Thread(target=telnet_session, args=(connection,), daemon=True).start()

# Both FTP servers share pyftpdlib's one event loop, which ftp.serve_forever runs.
for serve in (ftp.serve_forever, web.serve_forever, serve_telnet):
    threading.Thread(target=serve, daemon=True).start()
print(ftp.address[1], web.server_address[1], telnet.getsockname()[1], slow_ftp.address[1],
      flush=True)
threading.Event().wait()
)PY";

class TLogServers {
  public:
    // `scratch` is a folder for the script; `served` the folder the servers serve.
    TLogServers(const std::string& scratch, const std::string& served) {
        const std::string script = scratch + "log_servers.py";
        std::ofstream(script) << kLogServersScript;
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeFds[1], STDOUT_FILENO);
            ::close(pipeFds[0]);
            ::execl("/usr/bin/python3", "python3", script.c_str(), served.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        FILE* ports = ::fdopen(pipeFds[0], "r");
        ready_ = std::fscanf(ports, "%d %d %d %d", &ftpPort_, &httpPort_, &telnetPort_,
                             &slowFtpPort_) == 4;
        std::fclose(ports);
    }
    ~TLogServers() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    TLogServers(const TLogServers&) = delete;
    TLogServers& operator=(const TLogServers&) = delete;

    bool Ready() const { return ready_; }
    int FtpPort() const { return ftpPort_; }
    int SlowFtpPort() const { return slowFtpPort_; }
    int HttpPort() const { return httpPort_; }
    int TelnetPort() const { return telnetPort_; }

  private:
    pid_t pid_ = -1;
    bool ready_ = false;
    int ftpPort_ = 0, httpPort_ = 0, telnetPort_ = 0, slowFtpPort_ = 0;
};

}  // namespace vestrel::testing_util
