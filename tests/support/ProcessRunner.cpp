#include "support/ProcessRunner.h"

#include "support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

TProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                          const std::string& input, TStandardOutput output)
{
    if (argv.empty())
        throw std::invalid_argument("RunProcess needs a program");
    // Files rather than pipes: nothing can block however much the program writes.
    TTempDir dir;
    const std::string inPath = dir.Write("stdin", input);
    const std::string outPath = dir.File("stdout");
    const std::string errPath = dir.File("stderr");

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0)
            envStrings.push_back(entry);
    }
    for (const auto& [key, value] : env)
        envStrings.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    int closedPipe[2] = {-1, -1};
    if (output == TStandardOutput::ClosedPipe) {
        if (::pipe2(closedPipe, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot make a pipe");
        ::close(closedPipe[0]);
        posix_spawn_file_actions_adddup2(&actions, closedPipe[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (closedPipe[1] >= 0)
        ::close(closedPipe[1]);
    if (spawnError != 0)
        throw std::runtime_error("cannot start " + argv[0]);

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");

    TProcessResult result;
    result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.PeakMemoryKb = usage.ru_maxrss;
    if (output == TStandardOutput::File)
        result.Out = dir.Read("stdout");
    result.Err = dir.Read("stderr");
    return result;
}

std::vector<std::string> SortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1);
        lines.push_back(text.substr(start, end + 1 - start));
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}
