// Windows multimedia file input (RIFF chunk reading) and the wave format
// records shared with DirectSound. Only reading is supported: the program
// reads its WAV sounds through these calls.
#pragma once

#include "platform/win32.h"

// ---------------------------------------------------------------------------
// Wave formats
#define WAVE_FORMAT_PCM 1

#pragma pack(push, 1)
struct WAVEFORMAT {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
};
struct PCMWAVEFORMAT {
    WAVEFORMAT wf;
    WORD wBitsPerSample;
};
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMAT) == 14, "WAVEFORMAT is 14 bytes");
static_assert(sizeof(PCMWAVEFORMAT) == 16, "PCMWAVEFORMAT is 16 bytes");
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is 18 bytes");
typedef WAVEFORMATEX* LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

// ---------------------------------------------------------------------------
// RIFF chunks
typedef DWORD FOURCC;
#define mmioFOURCC(c0, c1, c2, c3) \
    ((FOURCC)(BYTE)(c0) | ((FOURCC)(BYTE)(c1) << 8) | ((FOURCC)(BYTE)(c2) << 16) | ((FOURCC)(BYTE)(c3) << 24))
#define FOURCC_RIFF mmioFOURCC('R', 'I', 'F', 'F')
#define FOURCC_LIST mmioFOURCC('L', 'I', 'S', 'T')

struct MMCKINFO {
    FOURCC ckid;         // chunk id
    DWORD cksize;        // size of the chunk's data
    FOURCC fccType;      // form or list type (RIFF and LIST chunks)
    DWORD dwDataOffset;  // file offset of the chunk's data
    DWORD dwFlags;
};
typedef MMCKINFO* LPMMCKINFO;
typedef const MMCKINFO* LPCMMCKINFO;

struct HMMIO__;
typedef HMMIO__* HMMIO;

struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    void* pIOProc;
    UINT wErrorRet;
    void* htask;
    LONG cchBuffer;
    char* pchBuffer;
    char* pchNext;
    char* pchEndRead;
    char* pchEndWrite;
    LONG lBufOffset;
    LONG lDiskOffset;
    DWORD adwInfo[3];
    DWORD dwReserved1;
    DWORD dwReserved2;
    HMMIO hmmio;
};
typedef MMIOINFO* LPMMIOINFO;

typedef UINT MMRESULT;
typedef char* HPSTR;

#define MMSYSERR_NOERROR 0
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_INVALPARAM 11
#define MMIOERR_BASE 256
#define MMIOERR_FILENOTFOUND (MMIOERR_BASE + 1)
#define MMIOERR_CHUNKNOTFOUND (MMIOERR_BASE + 9)
#define MMIOERR_CANNOTSEEK (MMIOERR_BASE + 7)
#define MMIOERR_CANNOTREAD (MMIOERR_BASE + 5)

// mmioOpen flags
#define MMIO_READ 0x00000000
#define MMIO_WRITE 0x00000001
#define MMIO_READWRITE 0x00000002
#define MMIO_CREATE 0x00001000
#define MMIO_ALLOCBUF 0x00010000
#define MMIO_DENYWRITE 0x00000020
#define MMIO_DENYNONE 0x00000040
// mmioDescend flags
#define MMIO_FINDCHUNK 0x0010
#define MMIO_FINDRIFF 0x0020
#define MMIO_FINDLIST 0x0040

#ifndef SEEK_SET
#define SEEK_SET 0
#define SEEK_CUR 1
#define SEEK_END 2
#endif

// Opens a file for reading (the name goes through the program's path
// resolver). Returns null when the file cannot be opened or a write mode is
// asked for; the info record, when given, receives the error in wErrorRet.
HMMIO mmioOpenA(LPSTR fileName, LPMMIOINFO info, DWORD flags);
#define mmioOpen mmioOpenA

MMRESULT mmioClose(HMMIO h, UINT flags);

// Reads up to count bytes; returns the number read, 0 at the end of the file
// and -1 on error.
LONG mmioRead(HMMIO h, HPSTR buffer, LONG count);

// Moves the file position; returns the new position or -1.
LONG mmioSeek(HMMIO h, LONG offset, int origin);

// Enters a chunk. Without flags the chunk at the current position is read;
// with MMIO_FINDCHUNK / MMIO_FINDRIFF / MMIO_FINDLIST the chunks are searched
// for the id (and form type) given in ck, within the parent chunk when one is
// given. Afterwards the position is at the chunk's data (after the form type
// for RIFF and LIST chunks).
MMRESULT mmioDescend(HMMIO h, LPMMCKINFO ck, LPCMMCKINFO parent, UINT flags);

// Leaves a chunk: the position moves past its data and pad byte.
MMRESULT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT flags);
