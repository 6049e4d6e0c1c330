#include "app/cli/Cli.h"

#include <cstdio>

// Placeholder until the sub-command lands.
int CliDump(int, char**) {
    std::fputs("vorlat-cli dump: not available in this build\n", stderr);
    return 2;
}
