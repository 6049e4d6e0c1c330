#include "app/cli/Cli.h"

#include "score/Checkout.h"
#include "score/Numbers.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: vorlat-cli checkout SCORE_LEFT [--darts 1|2|3] [--out open|double|master] "
               "[--bull 25|50]\n",
               stderr);
    return 2;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 6 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

// vorlat-cli checkout SCORE_LEFT: the suggested route that finishes the score, one line of
// tokens ("T20 T20 DB"), or "no checkout" when none exists. Exit status 0 either way.
int CliCheckout(int argc, char** argv) {
    std::string left;
    std::string darts = "3";
    std::string out = "open";
    std::string bull = "25";
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        std::string* target = nullptr;
        std::string value;
        for (const char* name : {"--darts", "--out", "--bull"}) {
            const size_t n = std::strlen(name);
            if (arg == name) {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "vorlat-cli checkout: %s needs a value\n", name);
                    return 2;
                }
                value = argv[++i];
            } else if (arg.compare(0, n, name) == 0 && arg.size() > n && arg[n] == '=') {
                value = arg.substr(n + 1);
            } else {
                continue;
            }
            target = std::strcmp(name, "--darts") == 0 ? &darts
                     : std::strcmp(name, "--out") == 0 ? &out
                                                       : &bull;
            break;
        }
        if (target != nullptr) {
            *target = value;
        } else if (left.empty() && IsNumber(arg)) {
            left = arg;
        } else {
            std::fprintf(stderr, "vorlat-cli checkout: unexpected argument %s\n", arg.c_str());
            return Usage();
        }
    }
    if (left.empty()) {
        return Usage();
    }
    CheckoutRules rules;
    if (out == "open") {
        rules.out = OutRule::Open;
    } else if (out == "double") {
        rules.out = OutRule::Double;
    } else if (out == "master") {
        rules.out = OutRule::Master;
    } else {
        std::fprintf(stderr, "vorlat-cli checkout: --out is open, double or master, not %s\n",
                     out.c_str());
        return 2;
    }
    if (bull != "25" && bull != "50") {
        std::fprintf(stderr, "vorlat-cli checkout: --bull is 25 or 50, not %s\n", bull.c_str());
        return 2;
    }
    rules.bull50 = bull == "50";
    if (darts != "1" && darts != "2" && darts != "3") {
        std::fprintf(stderr, "vorlat-cli checkout: --darts is 1, 2 or 3, not %s\n", darts.c_str());
        return 2;
    }
    const std::vector<std::string> route = CheckoutRoute(ParseInt(left), ParseInt(darts), rules);
    std::string line;
    for (const std::string& token : route) {
        line += (line.empty() ? "" : " ") + token;
    }
    std::printf("%s\n", route.empty() ? "no checkout" : line.c_str());
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("vorlat-cli checkout: could not write the output\n", stderr);
        return 1;
    }
    return 0;
}
