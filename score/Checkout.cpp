#include "score/Checkout.h"

#include "score/Numbers.h"

#include <array>
#include <optional>

namespace {

// A dart on the board: its token, points, whether it may finish, and how much the rule likes
// it as a setting-up dart and as the last one (lower is better).
struct Dart {
    std::string token;
    int points = 0;
    bool bull = false;
    bool finishes = false;
    int setupRank = 0;
    int lastRank = 0;
};

// The doubles a player would rather be left with: the ones that halve to another double
// (D20, D16, D8) first, then the other even ones, then the odd ones from the top down.
constexpr std::array<int, 20> kDoubleOrder = {20, 16, 8,  10, 18, 12, 4, 6, 14, 2,
                                              19, 17, 15, 13, 11, 9,  7, 5, 3,  1};

int DoubleRank(int number) {
    for (size_t i = 0; i < kDoubleOrder.size(); ++i) {
        if (kDoubleOrder[i] == number) {
            return static_cast<int>(i);
        }
    }
    return static_cast<int>(kDoubleOrder.size());
}

bool MayFinish(char ring, OutRule out) {
    switch (out) {
    case OutRule::Open:
        return true;
    case OutRule::Double:
        return ring == 'D' || ring == 'B';
    case OutRule::Master:
        return ring == 'D' || ring == 'T' || ring == 'B';
    }
    return false;
}

// Ring letters: 'S', 'D', 'T' for the segments, 'b' for the outer bull, 'B' for the bull.
std::vector<Dart> Board(const CheckoutRules& rules) {
    std::vector<Dart> board;
    auto add = [&](char ring, int number) {
        Dart dart;
        // Setting up: the big trebles first, then singles, the small trebles, doubles, bulls.
        // Finishing: the preferred doubles, then (master out) trebles from the top down. An
        // open out has no finishing double to keep, so every dart of its route, the last one
        // included, is ranked as a setting-up dart.
        switch (ring) {
        case 'T':
            dart.token = "T" + std::to_string(number);
            dart.points = 3 * number;
            // Only the big trebles (T20 down to T15) go before the singles.
            dart.setupRank = number >= 15 ? 20 - number : 40 + 20 - number;
            dart.lastRank = 40 + 20 - number;
            break;
        case 'S':
            dart.token = std::to_string(number);
            dart.points = number;
            dart.setupRank = 20 - number + 20;
            dart.lastRank = 60 + 20 - number;
            break;
        case 'D':
            dart.token = "D" + std::to_string(number);
            dart.points = 2 * number;
            dart.setupRank = 60 + 20 - number;
            dart.lastRank = DoubleRank(number);
            break;
        case 'b':
            dart.token = "SB";
            dart.points = rules.bull50 ? 50 : 25;
            dart.bull = true;
            dart.setupRank = 81;
            dart.lastRank = 81;
            break;
        default:
            dart.token = "DB";
            dart.points = 50;
            dart.bull = true;
            dart.setupRank = 80;
            dart.lastRank = 80;
            break;
        }
        dart.finishes = MayFinish(ring == 'b' ? 'S' : ring, rules.out);
        board.push_back(std::move(dart));
    };
    for (int n = 20; n >= 1; --n) {
        add('T', n);
        add('S', n);
        add('D', n);
    }
    add('B', 25);
    add('b', 25);
    return board;
}

// What makes one route better than another, compared in this order.
struct RouteKey {
    int darts = 0;
    int bulls = 0;
    int last = 0;
    std::array<int, 3> setup = {0, 0, 0};

    auto operator<=>(const RouteKey&) const = default;
};

struct Candidate {
    RouteKey key;
    std::vector<const Dart*> darts;
};

void Offer(std::optional<Candidate>& best, std::vector<const Dart*> darts, bool open) {
    Candidate c;
    c.key.darts = static_cast<int>(darts.size());
    for (size_t i = 0; i < darts.size(); ++i) {
        c.key.bulls += darts[i]->bull ? 1 : 0;
        if (i + 1 < darts.size()) {
            c.key.setup[i] = darts[i]->setupRank;
        }
    }
    c.key.last = darts.back()->lastRank;
    if (open) {
        c.key.last = 0;
        c.key.setup[darts.size() - 1] = darts.back()->setupRank;
    }
    c.darts = std::move(darts);
    if (!best || c.key < best->key) {
        best = std::move(c);
    }
}

} // namespace

std::vector<std::string> CheckoutRoute(int left, int darts, const CheckoutRules& rules) {
    if (darts < 1 || darts > 3 || left < 1) {
        return {};
    }
    const std::vector<Dart> board = Board(rules);
    const bool open = rules.out == OutRule::Open;
    // Fewest darts first: a longer route is only looked for when no shorter one exists.
    for (int n = 1; n <= darts; ++n) {
        std::optional<Candidate> best;
        for (const Dart& last : board) {
            if (!last.finishes || last.points > left) {
                continue;
            }
            const int before = left - last.points;
            if (n == 1) {
                if (before == 0) {
                    Offer(best, {&last}, open);
                }
                continue;
            }
            for (const Dart& a : board) {
                if (n == 2) {
                    if (a.points == before) {
                        Offer(best, {&a, &last}, open);
                    }
                    continue;
                }
                for (const Dart& b : board) {
                    if (a.points + b.points == before) {
                        Offer(best, {&a, &b, &last}, open);
                    }
                }
            }
        }
        if (best) {
            std::vector<std::string> route;
            for (const Dart* dart : best->darts) {
                route.push_back(dart->token);
            }
            return route;
        }
    }
    return {};
}

int CheckoutPoints(const std::string& token, const CheckoutRules& rules) {
    if (token == "DB") {
        return 50;
    }
    if (token == "SB") {
        return rules.bull50 ? 50 : 25;
    }
    if (token.empty()) {
        return 0;
    }
    int factor = 1;
    std::string_view digits = token;
    if (token[0] == 'S' || token[0] == 'D' || token[0] == 'T') {
        factor = token[0] == 'T' ? 3 : token[0] == 'D' ? 2 : 1;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return 0;
    }
    const int32_t number = ParseInt(digits);
    return number >= 1 && number <= 20 ? factor * number : 0;
}

bool CheckoutMayFinish(const std::string& token, const CheckoutRules& rules) {
    if (CheckoutPoints(token, rules) == 0) {
        return false;
    }
    if (token == "DB") {
        return true;
    }
    const char ring = token == "SB" ? 'S' : (token[0] >= '0' && token[0] <= '9') ? 'S' : token[0];
    return MayFinish(ring, rules.out);
}
