#include "video/Video1Encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Squared-error units one byte of output is worth when a block's form is chosen. At this
// weight text and box edges keep their eight or two colours (their error is large) while
// the faint texture of the background is coded with fewer bytes: a key frame of a board
// shrinks by about 30 % for about 2 dB. Key frames, one a second, are most of the file.
constexpr int kLambda = 1500;
constexpr uint32_t kMaxSkipRun = 1023;

struct Rgb {
    int r, g, b;
};

struct Tables {
    std::array<uint8_t, 256> nearest5{}; // 8-bit value -> 5-bit level whose widening is closest
    std::array<uint8_t, 32> widen{};
    Tables() {
        for (int x = 0; x < 32; ++x) {
            widen[x] = static_cast<uint8_t>((x << 3) | (x >> 2));
        }
        for (int v = 0; v < 256; ++v) {
            int best = 0;
            for (int x = 1; x < 32; ++x) {
                if (std::abs(widen[x] - v) < std::abs(widen[best] - v)) {
                    best = x;
                }
            }
            nearest5[v] = static_cast<uint8_t>(best);
        }
    }
};
const Tables kTables;

uint16_t Quantise(const Rgb& c) {
    auto level = [](int v) { return kTables.nearest5[v < 0 ? 0 : (v > 255 ? 255 : v)]; };
    return static_cast<uint16_t>(level(c.r) << 10 | level(c.g) << 5 | level(c.b));
}

Rgb Widen(uint16_t w) {
    return {kTables.widen[(w >> 10) & 31], kTables.widen[(w >> 5) & 31], kTables.widen[w & 31]};
}

int Distance(const Rgb& a, const Rgb& b) {
    int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// Two colours for a group of pixels, with the pixels' choice between them. Returned colours
// are RGB555; bit i of mask set means pixel i takes the first colour.
struct Pair {
    uint16_t first, second;
    uint32_t mask;
    int error;
};

// Squared error of a group around its own mean, from sums.
struct Sums {
    int64_t n = 0, r = 0, g = 0, b = 0, sq = 0;
    void add(const Rgb& p) {
        ++n, r += p.r, g += p.g, b += p.b;
        sq += p.r * p.r + p.g * p.g + p.b * p.b;
    }
    int64_t Spread() const { return n == 0 ? 0 : sq - (r * r + g * g + b * b) / n; }
    Rgb Mean() const { return {int((r + n / 2) / n), int((g + n / 2) / n), int((b + n / 2) / n)}; }
};

// Rounds the two group means to RGB555 and lets every pixel take the nearer of the two.
Pair Settle(const Rgb* px, const int* index, int count, const Rgb& a, const Rgb& b) {
    Pair pair{Quantise(a), Quantise(b), 0, 0};
    const Rgb wa = Widen(pair.first), wb = Widen(pair.second);
    for (int i = 0; i < count; ++i) {
        const Rgb& p = px[index[i]];
        int da = Distance(p, wa), db = Distance(p, wb);
        if (da <= db) {
            pair.mask |= 1u << index[i];
            pair.error += da;
        } else {
            pair.error += db;
        }
    }
    return pair;
}

// Four pixels: every split into two groups is tried; the one with the least spread around
// its means is rounded to RGB555.
Pair FitPair4(const Rgb* px, const int* index) {
    int64_t bestSpread = std::numeric_limits<int64_t>::max();
    Rgb bestA{}, bestB{};
    for (int split = 0; split < 8; ++split) { // pixel 0 always in the first group
        Sums first, second;
        for (int i = 0; i < 4; ++i) {
            (i == 0 || !((split >> (i - 1)) & 1) ? first : second).add(px[index[i]]);
        }
        const int64_t spread = first.Spread() + second.Spread();
        if (spread < bestSpread) {
            bestSpread = spread;
            bestA = first.Mean();
            bestB = second.n > 0 ? second.Mean() : bestA;
        }
    }
    return Settle(px, index, 4, bestA, bestB);
}

// Sixteen pixels: they are ordered along the direction in which they spread most, and the
// best cut of that order into two runs gives the groups.
Pair FitPair16(const Rgb* px, const int* index) {
    Sums all;
    for (int i = 0; i < 16; ++i) {
        all.add(px[index[i]]);
    }
    // The direction from the darkest to the brightest pixel stands in for the principal
    // axis: for text and lines on a background it is the same, and it costs no search.
    int lo = 0, hi = 0, loY = std::numeric_limits<int>::max(), hiY = -1;
    for (int i = 0; i < 16; ++i) {
        const Rgb& p = px[index[i]];
        const int y = 2 * p.r + 4 * p.g + p.b;
        if (y < loY) {
            loY = y, lo = i;
        }
        if (y > hiY) {
            hiY = y, hi = i;
        }
    }
    const Rgb& dark = px[index[lo]];
    const Rgb& bright = px[index[hi]];
    int axis[3] = {bright.r - dark.r, bright.g - dark.g, bright.b - dark.b};
    if (axis[0] == 0 && axis[1] == 0 && axis[2] == 0) {
        axis[0] = axis[1] = axis[2] = 1;
    }
    // Projection in the high bits, pixel number in the low ones: one integer sort.
    std::array<int64_t, 16> order;
    for (int i = 0; i < 16; ++i) {
        const Rgb& p = px[index[i]];
        order[i] = int64_t(p.r * axis[0] + p.g * axis[1] + p.b * axis[2]) * 16 + index[i];
    }
    std::sort(order.begin(), order.end());
    auto pixelOf = [&](int k) { return static_cast<int>(((order[k] % 16) + 16) % 16); };
    Sums prefix[17];
    for (int i = 0; i < 16; ++i) {
        prefix[i + 1] = prefix[i];
        prefix[i + 1].add(px[pixelOf(i)]);
    }
    int bestCut = 8;
    int64_t bestSpread = std::numeric_limits<int64_t>::max();
    for (int cut = 1; cut < 16; ++cut) {
        Sums rest;
        rest.n = all.n - prefix[cut].n, rest.r = all.r - prefix[cut].r;
        rest.g = all.g - prefix[cut].g, rest.b = all.b - prefix[cut].b;
        rest.sq = all.sq - prefix[cut].sq;
        const int64_t spread = prefix[cut].Spread() + rest.Spread();
        if (spread < bestSpread) {
            bestSpread = spread;
            bestCut = cut;
        }
    }
    Sums low = prefix[bestCut], high;
    for (int i = bestCut; i < 16; ++i) {
        high.add(px[pixelOf(i)]);
    }
    Pair pair = Settle(px, index, 16, high.Mean(), low.Mean());
    // One refinement: the means of the groups as the rounded colours split them.
    Sums a, b;
    for (int i = 0; i < 16; ++i) {
        ((pair.mask >> index[i]) & 1 ? a : b).add(px[index[i]]);
    }
    if (a.n > 0 && b.n > 0) {
        Pair refined = Settle(px, index, 16, a.Mean(), b.Mean());
        if (refined.error < pair.error) {
            pair = refined;
        }
    }
    return pair;
}

// Error of giving every pixel of a group its own rounded colour: no form does better.
int ExactError(const Rgb* px, const uint16_t* rounded, const int* index, int count) {
    int error = 0;
    for (int i = 0; i < count; ++i) {
        error += Distance(px[index[i]], Widen(rounded[index[i]]));
    }
    return error;
}

// The pair for a group whose pixels round to at most two colours; false for more.
bool ExactPair(const Rgb* px, const uint16_t* rounded, const int* index, int count, Pair& pair) {
    const uint16_t first = rounded[index[0]];
    uint16_t second = first;
    bool haveSecond = false;
    uint32_t mask = 0;
    for (int i = 0; i < count; ++i) {
        const uint16_t c = rounded[index[i]];
        if (c == first) {
            mask |= 1u << index[i];
        } else if (!haveSecond) {
            second = c;
            haveSecond = true;
        } else if (c != second) {
            return false;
        }
    }
    pair = {first, second, mask, ExactError(px, rounded, index, count)};
    return true;
}

void Put16(std::vector<uint8_t>& out, uint16_t w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

constexpr int kAll[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
// Pixels of each 2 x 2 quarter in block order (bit i = row i / 4 from the bottom, column i % 4):
// bottom left, bottom right, top left, top right, as the decoder pairs them with colours.
constexpr int kQuarter[4][4] = {{0, 1, 4, 5}, {2, 3, 6, 7}, {8, 9, 12, 13}, {10, 11, 14, 15}};

} // namespace

void Video1Encoder::expand(uint16_t word, uint8_t& r, uint8_t& g, uint8_t& b) {
    Rgb c = Widen(word);
    r = static_cast<uint8_t>(c.r);
    g = static_cast<uint8_t>(c.g);
    b = static_cast<uint8_t>(c.b);
}

Video1Encoder::Video1Encoder(int width, int height)
    : m_width(width), m_height(height), m_source(static_cast<size_t>(width) * height * 4),
      m_prevSource(m_source.size()), m_picture(static_cast<size_t>(width) * height) {}

const std::vector<uint8_t>& Video1Encoder::Encode(const uint8_t* bgrx, int stride, bool keyFrame) {
    m_source.swap(m_prevSource);
    for (int y = 0; y < m_height; ++y) {
        std::memcpy(m_source.data() + static_cast<size_t>(y) * m_width * 4,
                    bgrx + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(m_width) * 4);
    }
    m_keyCached = false;
    encodeFrame(keyFrame);
    m_havePrev = true;
    return m_out;
}

const std::vector<uint8_t>& Video1Encoder::EncodeSame(bool keyFrame) {
    if (!keyFrame) {
        m_out.clear();
        m_pendingSkips = static_cast<uint32_t>((m_width / 4) * (m_height / 4));
        flushSkips();
        Put16(m_out, 0);
        return m_out;
    }
    if (m_keyCached) {
        m_out = m_keyBytes;
        m_picture = m_keyPicture;
        return m_out;
    }
    encodeFrame(true);
    return m_out;
}

void Video1Encoder::flushSkips() {
    while (m_pendingSkips > 0) {
        uint32_t run = std::min(m_pendingSkips, kMaxSkipRun);
        Put16(m_out, static_cast<uint16_t>(0x8400 + run));
        m_pendingSkips -= run;
    }
}

void Video1Encoder::encodeFrame(bool keyFrame) {
    m_out.clear();
    m_pendingSkips = 0;
    const int blocksWide = m_width / 4;
    const int blocksHigh = m_height / 4;
    const size_t rowBytes = static_cast<size_t>(m_width) * 4;

    for (int by = blocksHigh - 1; by >= 0; --by) {
        for (int bx = 0; bx < blocksWide; ++bx) {
            // Pixel i of the block: row i / 4 counted from the block's bottom, column i % 4.
            Rgb px[16];
            size_t offset[16];
            for (int i = 0; i < 16; ++i) {
                int y = by * 4 + 3 - i / 4;
                int x = bx * 4 + i % 4;
                offset[i] = static_cast<size_t>(y) * m_width + x;
                const uint8_t* p = m_source.data() + static_cast<size_t>(y) * rowBytes + x * 4;
                px[i] = {p[2], p[1], p[0]};
            }

            int skipError = std::numeric_limits<int>::max();
            if (!keyFrame) {
                bool same = m_havePrev;
                for (int r = 0; r < 4 && same; ++r) {
                    size_t at = static_cast<size_t>(by * 4 + r) * rowBytes + bx * 16;
                    same = std::memcmp(m_source.data() + at, m_prevSource.data() + at, 16) == 0;
                }
                if (same) {
                    ++m_pendingSkips;
                    continue;
                }
                skipError = 0;
                for (int i = 0; i < 16; ++i) {
                    skipError += Distance(px[i], Widen(m_picture[offset[i]]));
                }
            }

            // One colour: the mean.
            int sum[3] = {0, 0, 0};
            for (const Rgb& p : px) {
                sum[0] += p.r, sum[1] += p.g, sum[2] += p.b;
            }
            const uint16_t mean =
                Quantise({(sum[0] + 8) / 16, (sum[1] + 8) / 16, (sum[2] + 8) / 16});
            const Rgb wm = Widen(mean);
            int fillError = 0;
            for (const Rgb& p : px) {
                fillError += Distance(p, wm);
            }
            // A fill word whose high byte reads as a skip code (red level 1) must be sent
            // as a two-colour block instead.
            const int fillBytes = ((mean >> 10) == 1) ? 6 : 2;

            // Pixels already rounded to RGB555: a group of at most two such colours is coded
            // exactly by those colours, which spares the search.
            uint16_t rounded[16];
            for (int i = 0; i < 16; ++i) {
                rounded[i] = Quantise(px[i]);
            }
            Pair two;
            if (!ExactPair(px, rounded, kAll, 16, two)) {
                two = FitPair16(px, kAll);
            }
            const bool twoExact = two.error <= ExactError(px, rounded, kAll, 16);
            Pair quarter[4];
            int quarterError = 0;
            if (!twoExact) {
                for (int q = 0; q < 4; ++q) {
                    if (!ExactPair(px, rounded, kQuarter[q], 4, quarter[q])) {
                        quarter[q] = FitPair4(px, kQuarter[q]);
                    }
                    quarterError += quarter[q].error;
                }
            }

            const int fillCost = fillError + kLambda * fillBytes;
            const int twoCost = two.error + kLambda * 6;
            // Eight colours cannot beat two that already give every pixel its own colour.
            const int quarterCost =
                twoExact ? std::numeric_limits<int>::max() : quarterError + kLambda * 18;
            int best = std::min({fillCost, twoCost, quarterCost});
            if (skipError <= best) {
                ++m_pendingSkips;
                continue;
            }
            flushSkips();

            uint16_t decoded[16];
            if (best == fillCost) {
                if (fillBytes == 2) {
                    Put16(m_out, static_cast<uint16_t>(0x8000 | mean));
                } else {
                    Put16(m_out, 0);
                    Put16(m_out, mean);
                    Put16(m_out, mean);
                }
                for (uint16_t& d : decoded) {
                    d = mean;
                }
            } else if (best == twoCost) {
                // Flag set: first colour. The top-right pixel's flag must stay clear, or
                // the block's first byte pair would read as a fill or skip code.
                uint16_t first = two.first, second = two.second;
                uint32_t mask = two.mask;
                if (mask & 0x8000) {
                    std::swap(first, second);
                    mask = ~mask & 0xFFFF;
                }
                Put16(m_out, static_cast<uint16_t>(mask));
                Put16(m_out, first);
                Put16(m_out, second);
                for (int i = 0; i < 16; ++i) {
                    decoded[i] = (mask >> i) & 1 ? first : second;
                }
            } else {
                uint32_t mask = 0;
                uint16_t colours[8];
                for (int q = 0; q < 4; ++q) {
                    uint16_t first = quarter[q].first, second = quarter[q].second;
                    uint32_t qmask = quarter[q].mask;
                    if (q == 3 && (qmask & 0x8000)) {
                        std::swap(first, second);
                        uint32_t inQuarter = 0;
                        for (int i : kQuarter[q]) {
                            inQuarter |= 1u << i;
                        }
                        qmask = ~qmask & inQuarter;
                    }
                    mask |= qmask;
                    colours[2 * q] = first;
                    colours[2 * q + 1] = second;
                    for (int i : kQuarter[q]) {
                        decoded[i] = (qmask >> i) & 1 ? first : second;
                    }
                }
                Put16(m_out, static_cast<uint16_t>(mask));
                // The high bit of the first colour marks the eight-colour form.
                Put16(m_out, static_cast<uint16_t>(colours[0] | 0x8000));
                for (int c = 1; c < 8; ++c) {
                    Put16(m_out, colours[c]);
                }
            }
            for (int i = 0; i < 16; ++i) {
                m_picture[offset[i]] = decoded[i];
            }
        }
    }
    flushSkips();
    // End of frame.
    Put16(m_out, 0);

    if (keyFrame) {
        m_keyBytes = m_out;
        m_keyPicture = m_picture;
        m_keyCached = true;
    }
}
