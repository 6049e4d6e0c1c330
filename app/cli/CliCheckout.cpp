#include "app/cli/Cli.h"

#include "score/Checkout.h"
#include "score/Numbers.h"

#include <cstdio>
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
    long long darts = 3;
    CheckoutRules rules;
    const CliOptionTable table{
        ChoiceOption<long long>("--darts", {{"1", 1}, {"2", 2}, {"3", 3}}, darts),
        ChoiceOption<OutRule>(
            "--out",
            {{"open", OutRule::Open}, {"double", OutRule::Double}, {"master", OutRule::Master}},
            rules.out),
        ChoiceOption<bool>("--bull", {{"25", false}, {"50", true}}, rules.bull50),
    };
    std::vector<std::string> positional;
    if (!ParseOptions(argc, argv, table, positional)) {
        return 2;
    }
    for (size_t i = 0; i < positional.size(); ++i) {
        if (i > 0 || !IsNumber(positional[i])) {
            std::fprintf(stderr, "vorlat-cli checkout: unexpected argument %s\n",
                         positional[i].c_str());
            return Usage();
        }
    }
    if (positional.empty()) {
        return Usage();
    }
    const std::string& left = positional[0];
    const std::vector<std::string> route =
        CheckoutRoute(ParseInt(left), static_cast<int>(darts), rules);
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
