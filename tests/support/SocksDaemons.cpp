#include "support/SocksDaemons.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

pid_t Spawn(const std::vector<std::string>& argv, const std::string& logPath, bool ownGroup)
{
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec: the test process has threads.
        if (ownGroup)
            ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(devNull, 0);
        ::dup2(log, 1);
        ::dup2(log, 2);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (ownGroup && pid > 0)
        ::setpgid(pid, pid); // also from here, so the group exists before we might kill it
    ::close(log);
    ::close(devNull);
    return pid;
}

bool PortAccepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

TDaemonProcess::TDaemonProcess(const std::vector<std::string>& argv, const std::string& logPath)
    : ChildPid(Spawn(argv, logPath, true))
{
}

TDaemonProcess::~TDaemonProcess()
{
    if (ChildPid <= 0)
        return;
    ::kill(-ChildPid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!Reaped && std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(ChildPid, nullptr, WNOHANG) == ChildPid)
            Reaped = true;
        else
            std::this_thread::sleep_for(10ms);
    }
    // Whatever is left of the group (the daemon's own worker processes) goes now.
    ::kill(-ChildPid, SIGKILL);
    if (!Reaped)
        ::waitpid(ChildPid, nullptr, 0);
}

bool TDaemonProcess::Running()
{
    if (ChildPid <= 0 || Reaped)
        return false;
    if (::waitpid(ChildPid, nullptr, WNOHANG) == ChildPid)
        Reaped = true;
    return !Reaped;
}

int RunProgram(const std::vector<std::string>& argv, const std::string& logPath)
{
    const pid_t pid = Spawn(argv, logPath, false);
    if (pid <= 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

std::string TSocksDaemon::LogText(const std::string& logName) const
{
    std::ifstream in(Dir.File(logName));
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool TSocksDaemon::Launch(const std::vector<std::string>& argv, int port, const std::string& logName)
{
    if (::access(argv[0].c_str(), X_OK) != 0) {
        FailureText = argv[0] + " is not installed (scripts/install-deps installs it)";
        return false;
    }
    auto process = std::make_unique<TDaemonProcess>(argv, Dir.File(logName));
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!process->Running()) {
            FailureText = argv[0] + " ended at start-up: " + LogText(logName);
            return false;
        }
        if (PortAccepts(port)) {
            Processes.push_back(std::move(process));
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    FailureText = argv[0] + " did not open port " + std::to_string(port) + ": " + LogText(logName);
    return false;
}

void TSocksDaemon::Stop()
{
    while (!Processes.empty())
        Processes.pop_back();
}

TMicrosocksServer::TMicrosocksServer(const std::string& user, const std::string& password,
                                     const std::string& bindAddress)
{
    // A port can be taken by someone else between our look and the daemon's bind: try again.
    for (int attempt = 0; attempt < 3 && !Started(); ++attempt) {
        SocksPort = FreeLoopbackPort();
        std::vector<std::string> argv = {"/usr/bin/microsocks",     "-i", "127.0.0.1", "-p",
                                         std::to_string(SocksPort), "-b", bindAddress};
        if (!user.empty())
            argv.insert(argv.end(), {"-u", user, "-P", password});
        if (!Launch(argv, SocksPort, "microsocks.log") && FailureText.find("not installed") != std::string::npos)
            return;
    }
}

TDanteServer::TDanteServer()
{
    for (int attempt = 0; attempt < 3 && !Started(); ++attempt) {
        SocksPort = FreeLoopbackPort();
        const std::string config = "logoutput: stderr\n"
                                   "internal: 127.0.0.1 port = " +
                                   std::to_string(SocksPort) +
                                   "\n"
                                   "external: 127.0.0.1\n"
                                   "clientmethod: none\n"
                                   "socksmethod: none\n"
                                   "user.privileged: root\n"
                                   "user.unprivileged: nobody\n"
                                   "client pass {\n    from: 127.0.0.0/8 to: 0.0.0.0/0\n}\n"
                                   // Forwarding only to loopback: a test can never reach further.
                                   "socks pass {\n    from: 127.0.0.0/8 to: 127.0.0.0/8\n"
                                   "    command: connect\n    protocol: tcp\n}\n";
        Dir.Write("danted.conf", config);
        if (!Launch({"/usr/sbin/danted", "-f", Dir.File("danted.conf"), "-p", Dir.File("danted.pid"), "-N", "1"},
                    SocksPort, "danted.log") &&
            FailureText.find("not installed") != std::string::npos)
            return;
    }
}

TSshDynamicForward::TSshDynamicForward()
{
    // sshd insists on its privilege separation folder.
    ::mkdir("/run/sshd", 0755);
    const std::string keygen = "/usr/bin/ssh-keygen";
    if (RunProgram({keygen, "-q", "-t", "ed25519", "-N", "", "-f", Dir.File("host_key")}, Dir.File("keygen.log")) !=
            0 ||
        RunProgram({keygen, "-q", "-t", "ed25519", "-N", "", "-f", Dir.File("client_key")}, Dir.File("keygen.log")) !=
            0) {
        FailureText = "ssh-keygen failed: " + LogText("keygen.log");
        return;
    }
    Dir.Write("authorized_keys", Dir.Read("client_key.pub"));
    for (int attempt = 0; attempt < 3 && !Started(); ++attempt) {
        const int sshPort = FreeLoopbackPort();
        Dir.Write("sshd_config", "Port " + std::to_string(sshPort) +
                                     "\n"
                                     "ListenAddress 127.0.0.1\n"
                                     "HostKey " +
                                     Dir.File("host_key") + "\nPidFile " + Dir.File("sshd.pid") +
                                     "\nAuthorizedKeysFile " + Dir.File("authorized_keys") +
                                     "\n"
                                     "PasswordAuthentication no\n"
                                     "KbdInteractiveAuthentication no\n"
                                     "PubkeyAuthentication yes\n"
                                     "PermitRootLogin yes\n"
                                     "StrictModes no\n"
                                     "UsePAM no\n"
                                     "AllowTcpForwarding yes\n"
                                     "PermitTTY no\n");
        if (!Launch({"/usr/sbin/sshd", "-D", "-e", "-f", Dir.File("sshd_config")}, sshPort, "sshd.log")) {
            if (FailureText.find("not installed") != std::string::npos)
                return;
            continue;
        }
        SocksPort = FreeLoopbackPort();
        const std::vector<std::string> ssh = {"/usr/bin/ssh",
                                              "-N",
                                              "-F",
                                              "/dev/null",
                                              "-D",
                                              "127.0.0.1:" + std::to_string(SocksPort),
                                              "-i",
                                              Dir.File("client_key"),
                                              "-o",
                                              "StrictHostKeyChecking=no",
                                              "-o",
                                              "UserKnownHostsFile=/dev/null",
                                              "-o",
                                              "GlobalKnownHostsFile=/dev/null",
                                              "-o",
                                              "BatchMode=yes",
                                              "-o",
                                              "ExitOnForwardFailure=yes",
                                              "-o",
                                              "LogLevel=ERROR",
                                              "-p",
                                              std::to_string(sshPort),
                                              "root@127.0.0.1"};
        if (!Launch(ssh, SocksPort, "ssh.log"))
            Stop();
    }
}
