#pragma once

// Runs another program from a test (the command-line companion, the window, ffprobe,
// ffmpeg) and hands back what it said. Every test that starts a program goes through here,
// so that none of them can hang the suite: a program still running at its limit is killed
// and the running test fails, naming the command.
//
// Thread: any; the call blocks until the program has ended or been killed. No Qt event loop
// runs meanwhile, so a program that talks to this process's own windows is out of place here.

#include <string>
#include <vector>

struct RunOptions {
    // Set over the inherited environment: "NAME=value" sets, a bare "NAME" removes.
    std::vector<std::string> env;
    // Written to the program's standard input, which is then closed.
    std::string input;
    // Started here, when not empty.
    std::string workDir;
    // Long enough for a slow sanitizer build on a busy machine: this guards against hangs,
    // it does not measure speed.
    int limitMs = 300000;
};

struct RunResult {
    // The exit status; -1 when the program did not start, was killed by a signal or ran out
    // of time.
    int status = -1;
    std::string out;
    std::string err;
    bool timedOut = false;
};

// program is looked up in PATH when it has no slash.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

// The same for a command line the shell reads (pipes, redirections, quoting).
RunResult RunShell(const std::string& command, const RunOptions& options = {});
