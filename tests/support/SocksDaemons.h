#pragma once

#include "support/TempDir.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// Real SOCKS servers from the distribution's packages, started by tests on loopback ports of
// their own and always stopped again (the whole process group, also when a test fails). Each
// server refuses to forward anywhere but 127.0.0.0/8 where it can be told so.
//
// A server that cannot be started leaves Started() false and Failure() with its log, so the
// test fails with the reason instead of silently passing.

// A child process in a process group of its own, killed with its group by the destructor.
class TDaemonProcess
{
public:
    TDaemonProcess(const std::vector<std::string>& argv, const std::string& logPath);
    ~TDaemonProcess();
    TDaemonProcess(const TDaemonProcess&) = delete;
    TDaemonProcess& operator=(const TDaemonProcess&) = delete;

    bool Running();
    pid_t Pid() const { return ChildPid; }

private:
    pid_t ChildPid = -1;
    bool Reaped = false;
};

// Runs a program to its end; returns its exit status (-1 when it could not run).
int RunProgram(const std::vector<std::string>& argv, const std::string& logPath);
// A loopback TCP port that was free a moment ago.
int FreeLoopbackPort();

class TSocksDaemon
{
public:
    virtual ~TSocksDaemon() = default;
    bool Started() const { return !Processes.empty(); }
    const std::string& Failure() const { return FailureText; }
    int Port() const { return SocksPort; }
    std::string Host() const { return "127.0.0.1"; }
    void Stop();

protected:
    // Starts `argv` and waits until `port` accepts connections; false when the process ends or
    // the port stays closed.
    bool Launch(const std::vector<std::string>& argv, int port, const std::string& logName);
    std::string LogText(const std::string& logName) const;

    TTempDir Dir;
    std::vector<std::unique_ptr<TDaemonProcess>> Processes; // stopped in reverse order
    std::string FailureText;
    int SocksPort = 0;
};

// microsocks: SOCKS 5 only; with a user name it demands username/password authentication. Its
// outgoing connections leave from `bindAddress` (another loopback address makes another source
// address, as a proxy on another machine would).
class TMicrosocksServer : public TSocksDaemon
{
public:
    explicit TMicrosocksServer(const std::string& user = "", const std::string& password = "",
                               const std::string& bindAddress = "127.0.0.1");
    ~TMicrosocksServer() override { Stop(); }
};

// dante-server: SOCKS 4 and 5 without authentication; it rejects SOCKS 4A requests.
class TDanteServer : public TSocksDaemon
{
public:
    TDanteServer();
    ~TDanteServer() override { Stop(); }
};

// OpenSSH dynamic forwarding: an sshd on loopback with a throw-away host key and client key, and
// `ssh -D` connected to it. Speaks SOCKS 4, 4A and 5 without authentication.
class TSshDynamicForward : public TSocksDaemon
{
public:
    TSshDynamicForward();
    ~TSshDynamicForward() override { Stop(); }
};
