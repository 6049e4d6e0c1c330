#include "app/cli/Cli.h"

#include <cstdio>

// Placeholder until the sub-command lands.
int CliExport(int, char**) {
    std::fputs("vorlat-cli export: not available in this build\n", stderr);
    return 2;
}
