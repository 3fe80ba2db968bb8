// RIFF chunk reading through the multimedia file calls.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/mmio.h"

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back((uint8_t)(x >> (8 * i)));
}
void PutId(std::vector<uint8_t>& v, const char* id) { v.insert(v.end(), id, id + 4); }
void Chunk(std::vector<uint8_t>& v, const char* id, const std::vector<uint8_t>& body) {
    PutId(v, id);
    Put32(v, (uint32_t)body.size());
    v.insert(v.end(), body.begin(), body.end());
    if (body.size() & 1) v.push_back(0);
}
std::vector<uint8_t> Riff(const char* form, const std::vector<uint8_t>& inner) {
    std::vector<uint8_t> v;
    PutId(v, "RIFF");
    Put32(v, (uint32_t)(inner.size() + 4));
    PutId(v, form);
    v.insert(v.end(), inner.begin(), inner.end());
    return v;
}
void WriteFile(const char* name, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

TEST(Mmio, DescendFindsChunksAndSkipsPadBytes) {
    std::vector<uint8_t> inner;
    Chunk(inner, "junk", {1, 2, 3});  // odd size: one pad byte follows
    Chunk(inner, "fmt ", std::vector<uint8_t>(16, 7));
    Chunk(inner, "data", {10, 11, 12, 13, 14});
    Chunk(inner, "tail", {9});
    WriteFile("mmio_chunks.wav", Riff("WAVE", inner));

    char name[] = "\\MMIO_Chunks.WAV";  // resolved like every program file name
    HMMIO h = mmioOpen(name, nullptr, MMIO_READ | MMIO_ALLOCBUF);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(riff.dwDataOffset, 8u);

    MMCKINFO ck{};
    ck.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(ck.cksize, 5u);
    char buf[8] = {};
    EXPECT_EQ(mmioRead(h, buf, 8), 8);  // reads on past the chunk like a file
    EXPECT_EQ(buf[0], 10);
    ASSERT_EQ(mmioAscend(h, &ck, 0), MMSYSERR_NOERROR);
    // After the data chunk and its pad byte comes the next chunk.
    MMCKINFO next{};
    ASSERT_EQ(mmioDescend(h, &next, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(next.ckid, mmioFOURCC('t', 'a', 'i', 'l'));

    // Searching on from the end finds nothing.
    ASSERT_EQ(mmioAscend(h, &next, 0), MMSYSERR_NOERROR);
    MMCKINFO none{};
    none.ckid = mmioFOURCC('f', 'm', 't', ' ');
    EXPECT_EQ(mmioDescend(h, &none, &riff, MMIO_FINDCHUNK), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST(Mmio, WrongFormAndBrokenFilesAreNotFound) {
    WriteFile("mmio_avi.bin", Riff("AVI ", {}));
    char avi[] = "mmio_avi.bin";
    HMMIO h = mmioOpen(avi, nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    EXPECT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);

    // A chunk whose size points far past the end, and a cut header.
    std::vector<uint8_t> inner;
    PutId(inner, "big ");
    Put32(inner, 0xFFFFFFF0u);
    inner.push_back(1);
    std::vector<uint8_t> file = Riff("WAVE", inner);
    file.push_back('d');
    WriteFile("mmio_broken.wav", file);
    char broken[] = "mmio_broken.wav";
    h = mmioOpen(broken, nullptr, MMIO_READ);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMCKINFO ck{};
    ck.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(h, &ck, &riff, MMIO_FINDCHUNK), (MMRESULT)MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}

TEST(Mmio, OpenRefusesMissingFilesAndWriting) {
    char missing[] = "no_such_file.wav";
    MMIOINFO info{};
    EXPECT_EQ(mmioOpen(missing, &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, (UINT)MMIOERR_FILENOTFOUND);
    WriteFile("mmio_write.wav", {1, 2, 3, 4});
    char existing[] = "mmio_write.wav";
    EXPECT_EQ(mmioOpen(existing, nullptr, MMIO_WRITE), nullptr);
    EXPECT_EQ(mmioRead(nullptr, existing, 1), -1);
    EXPECT_EQ(mmioClose(nullptr, 0), (MMRESULT)MMSYSERR_INVALHANDLE);
}

TEST(Mmio, FourCCIsLittleEndian) {
    EXPECT_EQ(mmioFOURCC('R', 'I', 'F', 'F'), 0x46464952u);
    EXPECT_EQ(sizeof(WAVEFORMATEX), 18u);
}

}  // namespace
