#include "video/AviWriter.h"
#include "VideoTestUtil.h"
#include "video/ByteSink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

using namespace videotest;

namespace {

constexpr int kW = 32;
constexpr int kH = 16;

// An uncompressed 32-bit frame, bottom-up as stored; every frame differs from the others.
std::vector<uint8_t> RawFrame(int n) {
    std::vector<uint8_t> frame(kW * kH * 4);
    for (size_t i = 0; i < frame.size(); i += 4) {
        const size_t pixel = i / 4;
        frame[i] = static_cast<uint8_t>(n * 7 + pixel);
        frame[i + 1] = static_cast<uint8_t>(n * 13);
        frame[i + 2] = static_cast<uint8_t>(pixel / kW * 9);
        frame[i + 3] = 255;
    }
    return frame;
}

// What a reader shows for a stored frame: rows top-down.
std::vector<uint8_t> Shown(const std::vector<uint8_t>& stored) {
    std::vector<uint8_t> shown(stored.size());
    const size_t row = kW * 4;
    for (int y = 0; y < kH; ++y) {
        std::copy_n(stored.begin() + (kH - 1 - y) * row, row, shown.begin() + y * row);
    }
    return shown;
}

AviVideoFormat RawFormat() {
    AviVideoFormat format;
    format.width = kW;
    format.height = kH;
    format.sizeImage = kW * kH * 4;
    return format;
}

// Checks that path plays exactly the first `frames` frames of RawFrame.
void ExpectPlaysFrames(const std::string& path, int frames) {
    const Probe probe = ProbeVideo(path);
    EXPECT_EQ(probe.codec, "rawvideo");
    EXPECT_EQ(probe.width, kW);
    EXPECT_EQ(probe.height, kH);
    EXPECT_EQ(probe.rate, "15/1");
    EXPECT_EQ(probe.frames, frames);
    std::string errors;
    const auto decoded = DecodeBgra(path, kW, kH, &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(static_cast<int>(decoded.size()), frames);
    for (int n = 0; n < frames; ++n) {
        ASSERT_EQ(decoded[n], Shown(RawFrame(n))) << "frame " << n;
    }
}

struct SplitCase {
    uint64_t riffLimit;
    int frames;
    size_t minRiffs; // at least this many RIFFs; exactly one without a limit
};

class AviWriterSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(AviWriterSplit, EveryFramePlaysAndEachRiffStaysUnderTheLimit) {
    const SplitCase c = GetParam();
    TempDir dir;
    const std::string path = dir.File("out.avi");
    {
        FileSink sink;
        ASSERT_TRUE(sink.open(path));
        AviWriter writer(sink, RawFormat(), c.riffLimit);
        ASSERT_TRUE(writer.begin());
        for (int n = 0; n < c.frames; ++n) {
            const auto frame = RawFrame(n);
            ASSERT_TRUE(writer.writeFrame(frame.data(), static_cast<uint32_t>(frame.size()), true));
        }
        EXPECT_TRUE(writer.finish());
        EXPECT_EQ(writer.framesInFile(), static_cast<uint32_t>(c.frames));
        EXPECT_TRUE(sink.close());
    }
    std::vector<Riff> riffs;
    ASSERT_TRUE(ReadRiffs(path, riffs));
    if (c.riffLimit == 0) {
        ASSERT_EQ(riffs.size(), 1u);
    }
    ASSERT_GE(riffs.size(), c.minRiffs);
    EXPECT_EQ(riffs[0].form, "AVI ");
    for (size_t i = 0; i < riffs.size(); ++i) {
        if (i > 0) {
            EXPECT_EQ(riffs[i].form, "AVIX");
        }
        EXPECT_LE(riffs[i].size + 8, c.riffLimit == 0 ? AviWriter::kDefaultRiffLimit : c.riffLimit);
    }
    ExpectPlaysFrames(path, c.frames);
}

// A frame here takes 2056 bytes with its header; the headers about 4.5 KiB.
INSTANTIATE_TEST_SUITE_P(Sizes, AviWriterSplit,
                         testing::Values(SplitCase{0, 0, 1}, SplitCase{0, 40, 1},
                                         SplitCase{16384, 40, 5}, SplitCase{8000, 3, 2}));

TEST(AviWriter, FirstRiffAloneIsAPlayableAvi10File) {
    // An AVI 1.0 reader stops at the end of the first RIFF and uses its idx1; the main
    // header counts the frames of that RIFF.
    TempDir dir;
    const std::string path = dir.File("out.avi");
    {
        FileSink sink;
        ASSERT_TRUE(sink.open(path));
        AviWriter writer(sink, RawFormat(), 16384);
        ASSERT_TRUE(writer.begin());
        for (int n = 0; n < 12; ++n) {
            const auto frame = RawFrame(n);
            ASSERT_TRUE(writer.writeFrame(frame.data(), static_cast<uint32_t>(frame.size()), true));
        }
        ASSERT_TRUE(writer.finish());
    }
    std::vector<Riff> riffs;
    ASSERT_TRUE(ReadRiffs(path, riffs));
    ASSERT_GT(riffs.size(), 1u);
    std::filesystem::resize_file(path, riffs[0].size + 8);
    std::ifstream in(path, std::ios::binary);
    unsigned char avih[4];
    in.seekg(48); // avih dwTotalFrames
    ASSERT_TRUE(in.read(reinterpret_cast<char*>(avih), 4));
    const int firstRiffFrames = avih[0] | avih[1] << 8;
    ASSERT_GT(firstRiffFrames, 0);
    ASSERT_LT(firstRiffFrames, 12);

    std::string errors;
    const auto decoded = DecodeBgra(path, kW, kH, &errors, "-use_odml 0");
    EXPECT_EQ(errors, "");
    ASSERT_EQ(static_cast<int>(decoded.size()), firstRiffFrames);
    for (int n = 0; n < firstRiffFrames; ++n) {
        EXPECT_EQ(decoded[n], Shown(RawFrame(n))) << "frame " << n;
    }
}

// Little-endian fields of a whole file, read independently of the writer.
struct FileBytes {
    std::string data;
    explicit FileBytes(const std::string& path) : data(ReadBytes(path)) {}
    uint64_t Number(size_t at, int bytes) const {
        uint64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            value = value << 8 | static_cast<uint8_t>(data.at(at + i));
        }
        return value;
    }
    uint32_t u32(size_t at) const { return static_cast<uint32_t>(Number(at, 4)); }
    std::string Tag(size_t at) const { return data.substr(at, 4); }
};

struct SuperIndex {
    uint32_t inUse = 0;
    std::string chunkId;
    struct Slot {
        uint64_t offset;
        uint32_t size;
        uint32_t duration;
    };
    std::vector<Slot> slots; // every slot the header has room for
};

SuperIndex ReadSuperIndex(const FileBytes& file) {
    SuperIndex index;
    const size_t at = file.data.find("indx");
    EXPECT_NE(at, std::string::npos);
    if (at == std::string::npos) {
        return index;
    }
    const uint32_t size = file.u32(at + 4);
    EXPECT_EQ(file.Number(at + 8, 2), 4u);  // wLongsPerEntry
    EXPECT_EQ(file.Number(at + 10, 1), 0u); // bIndexSubType
    EXPECT_EQ(file.Number(at + 11, 1), 0u); // bIndexType: an index of indexes
    index.inUse = file.u32(at + 12);
    index.chunkId = file.Tag(at + 16);
    for (size_t slot = at + 32; slot + 16 <= at + 8 + size; slot += 16) {
        index.slots.push_back({file.Number(slot, 8), file.u32(slot + 8), file.u32(slot + 12)});
    }
    return index;
}

std::vector<uint64_t> RiffOffsets(const std::vector<Riff>& riffs) {
    std::vector<uint64_t> offsets;
    uint64_t at = 0;
    for (const Riff& riff : riffs) {
        offsets.push_back(at);
        at += 8 + riff.size + (riff.size & 1);
    }
    return offsets;
}

// The super index in the stream header names one standard index per RIFF: where it is, how
// big, and how many frames it holds; each standard index in turn points at its RIFF's frames.
TEST(AviWriter, SuperIndexNamesTheStandardIndexOfEveryRiff) {
    TempDir dir;
    const std::string path = dir.File("out.avi");
    constexpr int kFrames = 40;
    {
        FileSink sink;
        ASSERT_TRUE(sink.open(path));
        AviWriter writer(sink, RawFormat(), 16384, 8);
        ASSERT_TRUE(writer.begin());
        for (int n = 0; n < kFrames; ++n) {
            const auto frame = RawFrame(n);
            ASSERT_TRUE(writer.writeFrame(frame.data(), static_cast<uint32_t>(frame.size()), true));
        }
        ASSERT_TRUE(writer.finish());
    }
    std::vector<Riff> riffs;
    ASSERT_TRUE(ReadRiffs(path, riffs));
    ASSERT_GE(riffs.size(), 4u);
    const std::vector<uint64_t> riffAt = RiffOffsets(riffs);
    const FileBytes file(path);
    const SuperIndex index = ReadSuperIndex(file);
    EXPECT_EQ(index.chunkId, "00db");
    ASSERT_EQ(index.slots.size(), 8u);
    ASSERT_EQ(index.inUse, riffs.size());
    uint32_t frames = 0;
    for (size_t i = 0; i < index.slots.size(); ++i) {
        const SuperIndex::Slot& slot = index.slots[i];
        if (i >= index.inUse) {
            EXPECT_EQ(slot.offset + slot.size + slot.duration, 0u) << "unused slot " << i;
            continue;
        }
        // The standard index lies inside RIFF i and is as big as the slot says.
        EXPECT_GT(slot.offset, riffAt[i]);
        EXPECT_LT(slot.offset, riffAt[i] + 8 + riffs[i].size);
        ASSERT_EQ(file.Tag(slot.offset), "ix00") << i;
        EXPECT_EQ(file.u32(slot.offset + 4) + 8, slot.size) << i;
        const uint32_t entries = file.u32(slot.offset + 12);
        EXPECT_EQ(entries, slot.duration) << i;
        const uint64_t base = file.Number(slot.offset + 20, 8);
        EXPECT_EQ(base, riffAt[i]) << i;
        for (uint32_t e = 0; e < entries; ++e) {
            const uint64_t entry = slot.offset + 32 + 8 * uint64_t(e);
            const uint64_t data = base + file.u32(entry);
            EXPECT_EQ(file.Tag(data - 8), "00db") << i << "/" << e;
            EXPECT_EQ(file.u32(entry + 4), kW * kH * 4u) << "a key frame of the full size";
            // The frame stored there is frame number frames + e.
            const auto expected = RawFrame(static_cast<int>(frames + e));
            EXPECT_EQ(file.data.compare(data, expected.size(),
                                        reinterpret_cast<const char*>(expected.data()),
                                        expected.size()),
                      0)
                << i << "/" << e;
        }
        frames += slot.duration;
    }
    EXPECT_EQ(frames, static_cast<uint32_t>(kFrames));
}

// With no free slot for another RIFF the file cannot grow: the frame that needs one is
// refused, and what was written still makes a complete, indexed file.
TEST(AviWriter, AFullSuperIndexEndsTheFile) {
    TempDir dir;
    const std::string path = dir.File("out.avi");
    FileSink sink;
    ASSERT_TRUE(sink.open(path));
    AviWriter writer(sink, RawFormat(), 16384, 3);
    ASSERT_TRUE(writer.begin());
    int written = 0;
    for (; written < 40; ++written) {
        const auto frame = RawFrame(written);
        if (!writer.writeFrame(frame.data(), static_cast<uint32_t>(frame.size()), true)) {
            break;
        }
    }
    ASSERT_LT(written, 40);
    EXPECT_FALSE(writer.finish());
    EXPECT_TRUE(writer.finalised());
    EXPECT_EQ(writer.framesInFile(), static_cast<uint32_t>(written));
    ASSERT_TRUE(sink.close());
    std::vector<Riff> riffs;
    ASSERT_TRUE(ReadRiffs(path, riffs));
    EXPECT_EQ(riffs.size(), 3u);
    EXPECT_EQ(ReadSuperIndex(FileBytes(path)).inUse, 3u);
    ExpectPlaysFrames(path, written);
}

class AviWriterFullDisk : public testing::TestWithParam<uint64_t> {};

// The disk fills up at various points: within the headers, within a frame, within the
// indexes of the first or a later RIFF. Whatever is left must be a complete file that plays
// the frames it claims, or no file the writer calls finished.
TEST_P(AviWriterFullDisk, LeavesACompleteFileOfTheFramesThatFit) {
    const uint64_t capacity = GetParam();
    TempDir dir;
    const std::string path = dir.File("out.avi");
    constexpr int kFrames = 40;
    FileSink sink(capacity);
    ASSERT_TRUE(sink.open(path));
    AviWriter writer(sink, RawFormat(), 16384);
    int written = 0;
    if (writer.begin()) {
        for (; written < kFrames; ++written) {
            const auto frame = RawFrame(written);
            if (!writer.writeFrame(frame.data(), static_cast<uint32_t>(frame.size()), true)) {
                break;
            }
        }
    }
    EXPECT_FALSE(writer.finish());
    sink.close();
    ASSERT_LE(std::filesystem::file_size(path), capacity);
    if (!writer.finalised()) {
        EXPECT_EQ(writer.framesInFile(), 0u);
        return;
    }
    EXPECT_LT(writer.framesInFile(), static_cast<uint32_t>(kFrames));
    std::vector<Riff> riffs;
    ASSERT_TRUE(ReadRiffs(path, riffs));
    ExpectPlaysFrames(path, static_cast<int>(writer.framesInFile()));
}

INSTANTIATE_TEST_SUITE_P(Capacities, AviWriterFullDisk,
                         testing::Values(1000, 4700, 9000, 16000, 17000, 30000, 60000));

// An unbuffered sink in memory that fails each write the moment the disk would be full,
// so that a failure shows at the very write that met it.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(uint64_t capacity) : m_capacity(capacity) {}
    bool append(const void* data, size_t size) override {
        const char* bytes = static_cast<const char*>(data);
        const size_t fits =
            static_cast<size_t>(std::min<uint64_t>(size, m_capacity - m_data.size()));
        m_data.insert(m_data.end(), bytes, bytes + fits);
        return fits == size;
    }
    bool patch(uint64_t offset, const void* data, size_t size) override {
        if (offset + size > m_data.size()) {
            return false;
        }
        std::memcpy(m_data.data() + offset, data, size);
        return true;
    }
    uint64_t size() const override { return m_data.size(); }
    uint64_t storedSize() const override { return m_data.size(); }
    bool truncate(uint64_t size) override {
        m_data.resize(static_cast<size_t>(std::min<uint64_t>(size, m_data.size())));
        return true;
    }
    bool flush() override { return true; }
    void Save(const std::string& path) const {
        std::ofstream(path, std::ios::binary)
            .write(m_data.data(), static_cast<std::streamsize>(m_data.size()));
    }

private:
    uint64_t m_capacity;
    std::vector<char> m_data;
};

TEST(AviWriter, DiskFullRightAfterARiffKeepsTheFinishedRiffs) {
    // The disk has room for the first RIFF but not for the header of the next one.
    TempDir dir;
    auto write = [](ByteSink& sink) {
        AviWriter writer(sink, RawFormat(), 16384);
        if (writer.begin()) {
            for (int n = 0; n < 20; ++n) {
                const auto frame = RawFrame(n);
                if (!writer.writeFrame(frame.data(), static_cast<uint32_t>(frame.size()), true)) {
                    break;
                }
            }
        }
        const bool ok = writer.finish();
        return std::make_pair(ok, writer.framesInFile());
    };
    MemorySink roomy(uint64_t(1) << 30);
    ASSERT_TRUE(write(roomy).first);
    roomy.Save(dir.File("probe.avi"));
    std::vector<Riff> riffs;
    ASSERT_TRUE(ReadRiffs(dir.File("probe.avi"), riffs));
    ASSERT_GT(riffs.size(), 2u);

    MemorySink tight(riffs[0].size + 8 + 10);
    const auto [ok, frames] = write(tight);
    tight.Save(dir.File("out.avi"));
    EXPECT_FALSE(ok);
    ASSERT_TRUE(ReadRiffs(dir.File("out.avi"), riffs));
    EXPECT_EQ(riffs.size(), 1u);
    EXPECT_GT(frames, 0u);
    ExpectPlaysFrames(dir.File("out.avi"), static_cast<int>(frames));
}

TEST(AviWriter, DiskFullAnywhereLeavesAFileThatPlaysWhatItClaims) {
    // The disk fills up at every 1500th byte of a file of several RIFFs, each write failing
    // at once; whatever the writer calls finalised must play exactly its frames.
    TempDir dir;
    const std::string path = dir.File("out.avi");
    std::set<std::string> checked;
    for (uint64_t capacity = 0; capacity < 100000; capacity += 1500) {
        MemorySink sink(capacity);
        AviWriter writer(sink, RawFormat(), 16384);
        if (writer.begin()) {
            for (int n = 0; n < 40; ++n) {
                const auto frame = RawFrame(n);
                if (!writer.writeFrame(frame.data(), static_cast<uint32_t>(frame.size()), true)) {
                    break;
                }
            }
        }
        const bool ok = writer.finish();
        if (!writer.finalised()) {
            EXPECT_FALSE(ok);
            continue;
        }
        sink.Save(path);
        EXPECT_EQ(ok, writer.framesInFile() == 40u) << capacity;
        // Many capacities finalise the very same bytes; the independent reader sees each
        // distinct file once, which keeps the run short without checking any file less.
        if (!checked.insert(ReadBytes(path)).second) {
            continue;
        }
        std::vector<Riff> riffs;
        ASSERT_TRUE(ReadRiffs(path, riffs)) << capacity;
        EXPECT_EQ(ProbeVideo(path).frames, static_cast<int>(writer.framesInFile())) << capacity;
    }
}

} // namespace
