#include "FootageMaker.h"

#include "VideoTestUtil.h"

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
