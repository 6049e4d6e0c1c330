#include "VideoTestUtil.h"

#include "RunProgram.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace videotest {

int Run(const std::string& command, std::string* out) {
    const RunResult ran = RunShell(command);
    if (out != nullptr) {
        out->append(ran.out);
    }
    // What the shell's own stderr used to show.
    std::cerr << ran.err;
    return ran.status;
}

Probe ProbeVideo(const std::string& path) {
    std::string out;
    Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,codec_tag_string,width,height,r_frame_rate,nb_read_frames "
        "-of default=noprint_wrappers=1 '" +
            path + "' 2>/dev/null",
        &out);
    Probe probe;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_name") {
            probe.codec = value;
        } else if (key == "codec_tag_string") {
            probe.tag = value;
        } else if (key == "width") {
            probe.width = std::atoi(value.c_str());
        } else if (key == "height") {
            probe.height = std::atoi(value.c_str());
        } else if (key == "r_frame_rate") {
            probe.rate = value;
        } else if (key == "nb_read_frames") {
            probe.frames = std::atoi(value.c_str());
        }
    }
    return probe;
}

std::vector<std::vector<uint8_t>> DecodeBgra(const std::string& path, int width, int height,
                                             std::string* errors, const std::string& inputOptions) {
    const std::string log = path + ".decode.log";
    std::string out;
    Run("ffmpeg -nostdin -v error " + inputOptions + " -i '" + path +
            "' -f rawvideo -pix_fmt bgra - 2>'" + log + "'",
        &out);
    if (errors != nullptr) {
        std::ifstream in(log);
        errors->assign(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::remove(log);
    const size_t frameBytes = static_cast<size_t>(width) * height * 4;
    std::vector<std::vector<uint8_t>> frames;
    for (size_t at = 0; at + frameBytes <= out.size(); at += frameBytes) {
        frames.emplace_back(out.begin() + at, out.begin() + at + frameBytes);
    }
    return frames;
}

bool ReadRiffs(const std::string& path, std::vector<Riff>& riffs) {
    std::ifstream in(path, std::ios::binary);
    const uint64_t length = std::filesystem::file_size(path);
    uint64_t at = 0;
    riffs.clear();
    while (at < length) {
        unsigned char head[12];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(head), 12) || std::string(head, head + 4) != "RIFF") {
            return false;
        }
        uint64_t size = head[4] | head[5] << 8 | head[6] << 16 | uint64_t(head[7]) << 24;
        riffs.push_back({std::string(head + 8, head + 12), size});
        at += 8 + size + (size & 1);
    }
    return at == length;
}

double Psnr(const uint8_t* a, const uint8_t* b, size_t pixels) {
    double sum = 0;
    for (size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            double d = double(a[4 * i + c]) - double(b[4 * i + c]);
            sum += d * d;
        }
    }
    if (sum == 0) {
        return 99.0;
    }
    return 10.0 * std::log10(255.0 * 255.0 * 3.0 * double(pixels) / sum);
}

int64_t FrameMoment(int n) {
    // Three frames per 200 ms; within a triple the steps are 66 then 67 then 67.
    static const int kWithin[3] = {0, 66, 133};
    return int64_t(n / 3) * 200 + kWithin[n % 3];
}

} // namespace videotest
