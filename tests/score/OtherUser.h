#pragma once

// Running a piece of a test as a user without privileges. Permission checks (a file we may
// not read, a folder we may not write, a file of someone else) do not hold for root, and
// tests often run as root in containers; there the piece runs in a child process that has
// given up root for the "nobody" user.

#include <grp.h>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNoGroup = 65534;

inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// Runs body as an unprivileged user and returns the text it returned: in a child process as
// nobody when we are root, else right here (we are unprivileged already). Empty optional
// when the child could not be started or did not finish.
template <typename Body> std::optional<std::string> AsUnprivileged(Body body) {
    if (!RunningAsRoot()) {
        return body();
    }
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            ::_exit(2);
        }
        const std::string result = body();
        size_t done = 0;
        while (done < result.size()) {
            ssize_t n = ::write(pipeEnds[1], result.data() + done, result.size() - done);
            if (n <= 0) {
                ::_exit(3);
            }
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string result;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        result.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return result;
}
