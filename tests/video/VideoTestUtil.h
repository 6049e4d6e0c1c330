#pragma once

#include "TestSupport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace videotest {

// What ffprobe reports of the first video stream, frames counted by decoding.
struct Probe {
    std::string codec;
    std::string tag;
    int width = 0;
    int height = 0;
    std::string rate;
    int frames = -1;
};
Probe ProbeVideo(const std::string& path);

// Every frame as ffmpeg decodes it, converted to B,G,R,A bytes, rows top-down. errors gets
// what the decoder complained about (empty for a clean file); inputOptions go before -i.
std::vector<std::vector<uint8_t>> DecodeBgra(const std::string& path, int width, int height,
                                             std::string* errors = nullptr,
                                             const std::string& inputOptions = "");

// The top-level RIFFs of a file: form type and size as stored. False if the chunk sizes do
// not add up to the file's length.
struct Riff {
    std::string form;
    uint64_t size;
};
bool ReadRiffs(const std::string& path, std::vector<Riff>& riffs);

// Peak signal-to-noise ratio over the colour channels of two B,G,R,X pictures (the fourth
// byte ignored); 99 for identical pictures.
double Psnr(const uint8_t* a, const uint8_t* b, size_t pixels);

// The moment of frame n of the 15 fps frame clock (66, 67, 67 ms steps).
int64_t FrameMoment(int n);

// Runs a shell command; its exit status, with standard output in out when given.
int Run(const std::string& command, std::string* out = nullptr);

} // namespace videotest
