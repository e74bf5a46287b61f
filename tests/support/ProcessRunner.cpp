#include "support/ProcessRunner.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

TProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env)
{
    TProcessResult result;
    // Everything exec needs is prepared before fork: the test process may have threads.
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0)
            envStrings.push_back(entry);
    }
    for (const auto& [key, value] : env)
        envStrings.push_back(key + "=" + value);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return result;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return result;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    pollfd pfds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.Out, &result.Err};
    int open = 2;
    while (open > 0) {
        if (::poll(pfds, 2, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (pfds[i].fd < 0 || pfds[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(pfds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(pfds[i].fd);
                pfds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    if (pid > 0) {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result;
}
