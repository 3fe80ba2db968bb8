#include "platform/mmio.h"

#include <cstdio>
#include <cstring>

#include "platform/paths.h"

struct HMMIO__ {
    FILE* file = nullptr;
    long size = 0;  // file length in bytes
};

namespace {

bool ReadDword(HMMIO h, DWORD* out) {
    BYTE b[4];
    if (fread(b, 1, 4, h->file) != 4) return false;
    *out = (DWORD)b[0] | ((DWORD)b[1] << 8) | ((DWORD)b[2] << 16) | ((DWORD)b[3] << 24);
    return true;
}

long Tell(HMMIO h) { return ftell(h->file); }

}  // namespace

HMMIO mmioOpenA(LPSTR fileName, LPMMIOINFO info, DWORD flags) {
    if (info) info->wErrorRet = MMSYSERR_NOERROR;
    if (!fileName || (flags & (MMIO_WRITE | MMIO_READWRITE | MMIO_CREATE))) {
        if (info) info->wErrorRet = MMSYSERR_INVALPARAM;
        return nullptr;
    }
    FILE* f = plat::OpenFile(fileName, "rb");
    if (!f) {
        if (info) info->wErrorRet = MMIOERR_FILENOTFOUND;
        return nullptr;
    }
    HMMIO h = new HMMIO__;
    h->file = f;
    fseek(f, 0, SEEK_END);
    h->size = ftell(f);
    if (h->size < 0) h->size = 0;
    fseek(f, 0, SEEK_SET);
    if (info) info->hmmio = h;
    return h;
}

MMRESULT mmioClose(HMMIO h, UINT) {
    if (!h) return MMSYSERR_INVALHANDLE;
    if (h->file) fclose(h->file);
    delete h;
    return MMSYSERR_NOERROR;
}

LONG mmioRead(HMMIO h, HPSTR buffer, LONG count) {
    if (!h || count < 0 || (!buffer && count > 0)) return -1;
    if (count == 0) return 0;
    size_t n = fread(buffer, 1, (size_t)count, h->file);
    if (n == 0 && ferror(h->file)) return -1;
    return (LONG)n;
}

LONG mmioSeek(HMMIO h, LONG offset, int origin) {
    if (!h) return -1;
    if (fseek(h->file, offset, origin) != 0) return -1;
    return (LONG)Tell(h);
}

MMRESULT mmioDescend(HMMIO h, LPMMCKINFO ck, LPCMMCKINFO parent, UINT flags) {
    if (!h || !ck) return MMSYSERR_INVALPARAM;
    // The search may not leave the parent chunk (or the file).
    long limit = h->size;
    if (parent) {
        long parentEnd = (long)parent->dwDataOffset + (long)parent->cksize;
        if (parentEnd < limit) limit = parentEnd;
    }
    FOURCC wantId = ck->ckid;
    FOURCC wantType = ck->fccType;
    if (flags & MMIO_FINDRIFF) wantId = FOURCC_RIFF;
    if (flags & MMIO_FINDLIST) wantId = FOURCC_LIST;
    bool search = (flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;

    for (;;) {
        long start = Tell(h);
        if (start < 0 || start + 8 > limit) return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found{};
        if (!ReadDword(h, &found.ckid) || !ReadDword(h, &found.cksize)) return MMIOERR_CHUNKNOTFOUND;
        found.dwDataOffset = (DWORD)(start + 8);
        bool isForm = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
        if (isForm) {
            if (start + 12 > limit || !ReadDword(h, &found.fccType)) return MMIOERR_CHUNKNOTFOUND;
        }
        bool match = !search;
        if (search) {
            match = found.ckid == wantId;
            if (match && (flags & (MMIO_FINDRIFF | MMIO_FINDLIST))) match = found.fccType == wantType;
        }
        if (match) {
            *ck = found;
            return MMSYSERR_NOERROR;
        }
        // Skip the chunk with its pad byte.
        long next = start + 8 + (long)found.cksize + (long)(found.cksize & 1);
        if (next <= start || next >= limit) return MMIOERR_CHUNKNOTFOUND;
        if (fseek(h->file, next, SEEK_SET) != 0) return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT mmioAscend(HMMIO h, LPMMCKINFO ck, UINT) {
    if (!h || !ck) return MMSYSERR_INVALPARAM;
    long end = (long)ck->dwDataOffset + (long)ck->cksize + (long)(ck->cksize & 1);
    if (end > h->size) end = h->size;
    if (fseek(h->file, end, SEEK_SET) != 0) return MMIOERR_CANNOTSEEK;
    return MMSYSERR_NOERROR;
}
