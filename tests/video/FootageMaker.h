#pragma once

// Test footage made with the ffmpeg program at test time, and what ffprobe reads back.

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace videotest {

// Runs ffmpeg with args (inputs, codecs, ...) writing path. False, with ffmpeg's complaint
// in errors, if it failed.
bool MakeMedia(const std::string& path, const std::string& args, std::string* errors = nullptr);

// Fields of one stream ("v:0", "a:0") as ffprobe prints them with -show_streams, and the
// container's fields under "format.NAME". Empty if the stream is missing.
std::map<std::string, std::string> ProbeFields(const std::string& path, const std::string& stream);

// Start times of the video frames in seconds, as ffprobe decodes them, counted from the
// file's start time.
std::vector<double> VideoFrameTimes(const std::string& path);

// Every video frame as stored (no frames dropped or repeated for a variable rate), as
// B,G,R,A bytes, rows top-down.
std::vector<std::vector<unsigned char>> DecodeFrames(const std::string& path, int width,
                                                     int height);

// Where the first audio stream ends, in seconds: its last packet's time plus duration.
double AudioEnd(const std::string& path);

// MD5 of a stream's packets as stored (ffmpeg -c copy -f md5): equal for a copied stream.
std::string StreamMd5(const std::string& path, const std::string& stream);

// PSNR over the colour channels of the pixels of two B,G,R,X frames for which inside(x, y)
// holds; 99 when they are equal there.
double RegionPsnr(const unsigned char* a, const unsigned char* b, int width, int height,
                  const std::function<bool(int x, int y)>& inside);

} // namespace videotest
