#include "app/cli/Cli.h"

#include <cstdio>

// Placeholder until the sub-command lands.
int CliFrame(int, char**) {
    std::fputs("vorlat-cli frame: not available in this build\n", stderr);
    return 2;
}

int CliTitle(int, char**) {
    std::fputs("vorlat-cli title: not available in this build\n", stderr);
    return 2;
}
