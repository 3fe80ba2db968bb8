// Helpers of the sound tests: WAV files written on the spot, the start log
// read back, and the mixer pumped without an audio device.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dsound.h"

namespace soundtest {

// Each test works in a folder of its own under the test program's working
// folder, so tests running side by side do not share lists or the start log.
inline void EnterTestFolder() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    static std::string base;
    if (base.empty()) {
        char cwd[4096];
        base = getcwd(cwd, sizeof cwd) ? cwd : ".";
    }
    std::string dir = base + "/" + info->test_suite_name() + "_" + info->name();
    mkdir(dir.c_str(), 0755);
    if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
}

inline void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back((uint8_t)x);
    v.push_back((uint8_t)(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back((uint8_t)(x >> (8 * i)));
}
inline void PutId(std::vector<uint8_t>& v, const char* id) { v.insert(v.end(), id, id + 4); }

struct WavSpec {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    int frames = 1102;  // 50 ms at 22050 Hz
    int16_t value = 8000;  // every sample (16-bit), or the 8-bit value + 128
    int fmtSize = 16;
    bool fmtChunk = true;
    bool dataChunk = true;
    bool dataFirst = false;
    int64_t dataSizeDelta = 0;  // added to the declared data size
};

inline std::vector<uint8_t> WavBytes(const WavSpec& s) {
    std::vector<uint8_t> fmt;
    uint16_t block = (uint16_t)(s.channels * s.bits / 8);
    Put16(fmt, s.formatTag);
    Put16(fmt, s.channels);
    Put32(fmt, s.rate);
    Put32(fmt, s.rate * block);
    Put16(fmt, block);
    Put16(fmt, s.bits);
    fmt.resize((size_t)s.fmtSize, 0);
    std::vector<uint8_t> data;
    for (int i = 0; i < s.frames * s.channels; ++i) {
        if (s.bits == 8)
            data.push_back((uint8_t)(s.value + 128));
        else
            Put16(data, (uint16_t)s.value);
    }
    std::vector<uint8_t> fmtChunk, dataChunk;
    PutId(fmtChunk, "fmt ");
    Put32(fmtChunk, (uint32_t)fmt.size());
    fmtChunk.insert(fmtChunk.end(), fmt.begin(), fmt.end());
    PutId(dataChunk, "data");
    Put32(dataChunk, (uint32_t)((int64_t)data.size() + s.dataSizeDelta));
    dataChunk.insert(dataChunk.end(), data.begin(), data.end());
    if (data.size() & 1) dataChunk.push_back(0);
    std::vector<uint8_t> inner;
    PutId(inner, "WAVE");
    if (s.dataFirst && s.dataChunk) inner.insert(inner.end(), dataChunk.begin(), dataChunk.end());
    if (s.fmtChunk) inner.insert(inner.end(), fmtChunk.begin(), fmtChunk.end());
    if (!s.dataFirst && s.dataChunk) inner.insert(inner.end(), dataChunk.begin(), dataChunk.end());
    std::vector<uint8_t> file;
    PutId(file, "RIFF");
    Put32(file, (uint32_t)inner.size());
    file.insert(file.end(), inner.begin(), inner.end());
    return file;
}

inline void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(name.c_str(), "wb");
    if (!f) return;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

inline void WriteWav(const std::string& name, const WavSpec& s = WavSpec()) { WriteBytes(name, WavBytes(s)); }

inline void WriteText(const std::string& name, const std::string& text) {
    WriteBytes(name, std::vector<uint8_t>(text.begin(), text.end()));
}

// The start log's lines (each ends in CR, LF and a zero byte).
inline std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    FILE* f = fopen("startlog.txt", "rb");
    if (!f) return lines;
    std::string all;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
    fclose(f);
    const std::string end("\r\n\0", 3);
    size_t pos = 0, hit;
    while ((hit = all.find(end, pos)) != std::string::npos) {
        lines.push_back(all.substr(pos, hit - pos));
        pos = hit + 3;
    }
    return lines;
}

inline bool LogHas(const std::string& line) {
    for (const std::string& l : LogLines())
        if (l == line) return true;
    return false;
}

inline int LogCount(const std::string& line) {
    int n = 0;
    for (const std::string& l : LogLines()) n += l == line;
    return n;
}

// Mixes frames and returns the loudest sample heard.
inline int Pump(int frames) {
    std::vector<int16_t> out((size_t)frames * 2);
    plat::MixSoundFrames(out.data(), frames);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs((int)s));
    return peak;
}

}  // namespace soundtest
