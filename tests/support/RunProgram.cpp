#include "RunProgram.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The child's environment: ours with the options' changes.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    for (const std::string& change : changes) {
        const size_t eq = change.find('=');
        const std::string name = change.substr(0, eq) + '=';
        std::erase_if(env, [&](const std::string& v) { return v.starts_with(name); });
        if (eq != std::string::npos) {
            env.push_back(change);
        }
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::string Describe(const std::string& program, const std::vector<std::string>& args) {
    std::string text = program;
    for (const std::string& a : args) {
        text += ' ' + a;
    }
    return text;
}

} // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options) {
    RunResult result;
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipes for " << program << ": " << std::strerror(errno);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!options.workDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, options.workDir.c_str());
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = Environment(options.env);
    std::vector<char*> argp = Pointers(argv);
    std::vector<char*> envp = Pointers(env);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        ADD_FAILURE() << "could not start " << program << ": " << std::strerror(spawned);
        return result;
    }

    // Feed stdin and drain both outputs together, so that neither side waits on a full pipe.
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
    size_t written = 0;
    int inFd = in[1];
    if (options.input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.limitMs);
    int outFd = out[0], errFd = err[0];
    char buffer[65536];
    while (outFd >= 0 || errFd >= 0 || inFd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
        if (::poll(fds, 3, static_cast<int>(left)) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? outFd : errFd;
            if (fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    ::close(fd);
                    fd = -1;
                }
            }
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n =
                ::write(inFd, options.input.data() + written, options.input.size() - written);
            if (n > 0) {
                written += static_cast<size_t>(n);
            }
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == options.input.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
    }
    for (int fd : {inFd, outFd, errFd}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    // A program may close its outputs and still run on: the limit holds for that too.
    int raw = 0;
    while (!result.timedOut) {
        const pid_t ended = ::waitpid(pid, &raw, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            break;
        }
        ::poll(nullptr, 0, 10);
    }
    if (result.timedOut) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
        }
    }
    if (result.timedOut) {
        ADD_FAILURE() << "still running after " << options.limitMs
                      << " ms, killed: " << Describe(program, args);
        return result;
    }
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

RunResult RunShell(const std::string& command, const RunOptions& options) {
    return RunProgram("/bin/sh", {"-c", command}, options);
}
