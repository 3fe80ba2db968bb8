// The WAV reader with well-formed and broken files.
#include <gtest/gtest.h>

#include "sound/wavfile.h"
#include "sound_test_util.h"

using namespace soundtest;

namespace {

bool Read(const WavSpec& s, WAVEFORMATEX* f = nullptr, std::vector<uint8_t>* d = nullptr) {
    WriteWav("reader.wav", s);
    WAVEFORMATEX format{};
    std::vector<uint8_t> data;
    bool ok = ReadWaveFile("reader.wav", &format, &data);
    if (f) *f = format;
    if (d) *d = data;
    return ok;
}

TEST(WavReader, ReadsPcmFormatsAndData) {
    EnterTestFolder();
    WavSpec s;
    s.frames = 10;
    s.value = 1234;
    WAVEFORMATEX f{};
    std::vector<uint8_t> d;
    ASSERT_TRUE(Read(s, &f, &d));
    EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 22050u);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.nAvgBytesPerSec, 88200u);
    ASSERT_EQ(d.size(), 40u);
    EXPECT_EQ(d[0] | (d[1] << 8), 1234);

    // 8-bit mono with an odd length, a longer format chunk, and the data
    // chunk written before the format chunk.
    s = WavSpec();
    s.channels = 1;
    s.bits = 8;
    s.frames = 7;
    s.rate = 11025;
    s.fmtSize = 18;
    s.dataFirst = true;
    ASSERT_TRUE(Read(s, &f, &d));
    EXPECT_EQ(f.nBlockAlign, 1);
    EXPECT_EQ(f.nSamplesPerSec, 11025u);
    EXPECT_EQ(d.size(), 7u);

    // A data size that is not a whole number of frames is cut to whole frames.
    s = WavSpec();
    s.frames = 10;
    s.dataSizeDelta = -3;
    ASSERT_TRUE(Read(s, &f, &d));
    EXPECT_EQ(d.size(), 36u);
}

TEST(WavReader, RefusesBrokenAndUnsupportedFiles) {
    EnterTestFolder();
    WavSpec s;
    s.bits = 24;
    EXPECT_FALSE(Read(s));
    s = WavSpec();
    s.channels = 3;
    EXPECT_FALSE(Read(s));
    s = WavSpec();
    s.formatTag = 2;  // compressed
    EXPECT_FALSE(Read(s));
    s = WavSpec();
    s.rate = 50;
    EXPECT_FALSE(Read(s));
    s = WavSpec();
    s.fmtSize = 12;
    EXPECT_FALSE(Read(s));
    s = WavSpec();
    s.fmtChunk = false;
    EXPECT_FALSE(Read(s));
    s = WavSpec();
    s.dataChunk = false;
    EXPECT_FALSE(Read(s));
    s = WavSpec();
    s.frames = 0;
    EXPECT_FALSE(Read(s));
    // The declared data size reaches past the end of the file.
    s = WavSpec();
    s.dataSizeDelta = 100;
    EXPECT_FALSE(Read(s));
    s.dataSizeDelta = 0x7FFFFFFF;
    EXPECT_FALSE(Read(s));

    // Not a RIFF file, a cut file, an empty file, no file.
    WriteText("text.wav", "this is not a wave file at all");
    WAVEFORMATEX f{};
    std::vector<uint8_t> d;
    EXPECT_FALSE(ReadWaveFile("text.wav", &f, &d));
    std::vector<uint8_t> whole = WavBytes(WavSpec());
    whole.resize(30);
    WriteBytes("cut.wav", whole);
    EXPECT_FALSE(ReadWaveFile("cut.wav", &f, &d));
    WriteBytes("empty.wav", {});
    EXPECT_FALSE(ReadWaveFile("empty.wav", &f, &d));
    EXPECT_FALSE(ReadWaveFile("missing.wav", &f, &d));
    EXPECT_FALSE(ReadWaveFile(nullptr, &f, &d));
}

}  // namespace
