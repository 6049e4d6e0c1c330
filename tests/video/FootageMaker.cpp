#include "FootageMaker.h"

#include "VideoTestUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace videotest {

bool MakeMedia(const std::string& path, const std::string& args, std::string* errors) {
    const std::string log = path + ".make.log";
    const int status =
        Run("ffmpeg -nostdin -v error -y " + args + " '" + path + "' 2>'" + log + "'");
    if (errors != nullptr) {
        std::ifstream in(log);
        errors->assign(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::remove(log);
    return status == 0;
}

std::map<std::string, std::string> ProbeFields(const std::string& path, const std::string& stream) {
    std::string out;
    Run("ffprobe -v error -select_streams " + stream + " -show_streams -show_format '" + path +
            "' 2>/dev/null",
        &out);
    std::map<std::string, std::string> fields;
    std::istringstream lines(out);
    std::string line, section;
    bool sawStream = false;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]" || line == "[FORMAT]") {
            section = line;
            sawStream = sawStream || line == "[STREAM]";
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        fields[section == "[FORMAT]" ? "format." + key : key] = line.substr(eq + 1);
    }
    if (!sawStream) {
        fields.clear();
    }
    return fields;
}

std::vector<double> VideoFrameTimes(const std::string& path) {
    std::string start, out;
    Run("ffprobe -v error -show_entries format=start_time -of csv=p=0 '" + path + "'", &start);
    Run("ffprobe -v error -select_streams v:0 -show_entries frame=best_effort_timestamp_time "
        "-of csv=p=0 '" +
            path + "' 2>/dev/null",
        &out);
    const double origin = std::atof(start.c_str());
    std::vector<double> times;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty()) {
            // Frames with side data get a trailing comma.
            times.push_back(std::atof(line.c_str()) - origin);
        }
    }
    return times;
}

std::vector<std::vector<unsigned char>> DecodeFrames(const std::string& path, int width,
                                                     int height) {
    std::string out;
    Run("ffmpeg -nostdin -v error -i '" + path +
            "' -fps_mode passthrough -f rawvideo -pix_fmt bgra - 2>/dev/null",
        &out);
    const size_t frameBytes = size_t(width) * height * 4;
    std::vector<std::vector<unsigned char>> frames;
    for (size_t at = 0; at + frameBytes <= out.size(); at += frameBytes) {
        frames.emplace_back(out.begin() + at, out.begin() + at + frameBytes);
    }
    return frames;
}

double AudioEnd(const std::string& path) {
    std::string out;
    Run("ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,duration_time "
        "-of csv=p=0 '" +
            path + "' 2>/dev/null",
        &out);
    double end = 0;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto comma = line.find(',');
        if (comma != std::string::npos) {
            end = std::max(end, std::atof(line.c_str()) + std::atof(line.c_str() + comma + 1));
        }
    }
    return end;
}

std::string StreamMd5(const std::string& path, const std::string& stream) {
    std::string out;
    Run("ffmpeg -nostdin -v error -i '" + path + "' -map 0:" + stream +
            " -c copy -f md5 - 2>/dev/null",
        &out);
    return out;
}

double RegionPsnr(const unsigned char* a, const unsigned char* b, int width, int height,
                  const std::function<bool(int x, int y)>& inside) {
    double sum = 0;
    long samples = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!inside(x, y)) {
                continue;
            }
            const long at = (long(y) * width + x) * 4;
            for (int c = 0; c < 3; ++c) {
                const double d = double(a[at + c]) - double(b[at + c]);
                sum += d * d;
            }
            samples += 3;
        }
    }
    if (sum == 0) {
        return 99.0;
    }
    return 10.0 * std::log10(255.0 * 255.0 * double(samples) / sum);
}

} // namespace videotest
