#include "sound/wavfile.h"

#include <cstring>
#include <string>

namespace {

// Closes the file on every way out.
struct MmioFile {
    HMMIO h = nullptr;
    ~MmioFile() {
        if (h) mmioClose(h, 0);
    }
};

constexpr DWORD kMaxWaveBytes = 0x0FFFFFFF;  // the largest sound buffer

}  // namespace

bool ReadWaveFile(const char* fileName, WAVEFORMATEX* format, std::vector<uint8_t>* data) {
    if (!fileName || !format || !data) return false;
    std::string name = fileName;
    MmioFile file;
    file.h = mmioOpen(name.data(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    if (!file.h) return false;

    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(file.h, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return false;

    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(file.h, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
    if (chunk.cksize < sizeof(PCMWAVEFORMAT)) return false;
    WAVEFORMATEX fmt{};
    LONG want = (LONG)sizeof(PCMWAVEFORMAT);
    if (mmioRead(file.h, reinterpret_cast<HPSTR>(&fmt), want) != want) return false;
    fmt.cbSize = 0;
    if (fmt.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (fmt.nChannels != 1 && fmt.nChannels != 2) return false;
    if (fmt.wBitsPerSample != 8 && fmt.wBitsPerSample != 16) return false;
    if (fmt.nSamplesPerSec < 100 || fmt.nSamplesPerSec > 100000) return false;
    WORD block = (WORD)(fmt.nChannels * fmt.wBitsPerSample / 8);
    if (fmt.nBlockAlign != block) return false;
    // Some writers get the byte rate wrong; it follows from the rest.
    fmt.nAvgBytesPerSec = fmt.nSamplesPerSec * block;
    if (mmioAscend(file.h, &chunk, 0) != MMSYSERR_NOERROR) return false;

    // The data chunk may come before or after the format chunk.
    if (mmioSeek(file.h, (LONG)riff.dwDataOffset + 4, SEEK_SET) < 0) return false;
    chunk = MMCKINFO{};
    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(file.h, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return false;
    if (chunk.cksize > kMaxWaveBytes) return false;
    DWORD bytes = chunk.cksize - chunk.cksize % block;
    if (bytes == 0) return false;
    // The chunk must lie within the file: check before allocating.
    LONG here = mmioSeek(file.h, 0, SEEK_CUR);
    LONG end = mmioSeek(file.h, 0, SEEK_END);
    if (here < 0 || end < 0 || (long)end - (long)here < (long)bytes) return false;
    if (mmioSeek(file.h, here, SEEK_SET) != here) return false;
    std::vector<uint8_t> samples(bytes);
    if (mmioRead(file.h, reinterpret_cast<HPSTR>(samples.data()), (LONG)bytes) != (LONG)bytes) return false;

    *format = fmt;
    *data = std::move(samples);
    return true;
}
