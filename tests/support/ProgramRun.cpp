#include "support/ProgramRun.h"

#include "support/TempDir.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>

extern char** environ;

TProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args, const std::string& input)
{
    // Files rather than pipes: nothing can block however much the program writes.
    TTempDir dir;
    const std::string inPath = dir.Write("stdin", input);
    const std::string outPath = dir.File("stdout");
    const std::string errPath = dir.File("stderr");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0)
        throw std::runtime_error("cannot start " + path);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            throw std::runtime_error("waitpid failed");

    TProgramResult result;
    result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = dir.Read("stdout");
    result.Err = dir.Read("stderr");
    return result;
}
