// Wildcard file search with Windows semantics: the folder part goes through
// the path resolver and names match the pattern ignoring case. Flushing of
// written files and of their folders.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/win32.h"

namespace {

struct FindState {
    std::vector<std::string> names;
    std::string folder;
    size_t next = 0;
};

bool WildMatch(const char* p, const char* s) {
    // Iterative '*' and '?' matching, case-insensitive.
    const char* star = nullptr;
    const char* retry = nullptr;
    while (*s) {
        if (*p == '?' || (*p && *p != '*' && tolower(static_cast<unsigned char>(*p)) ==
                                                 tolower(static_cast<unsigned char>(*s)))) {
            ++p;
            ++s;
        } else if (*p == '*') {
            star = p++;
            retry = s;
        } else if (star) {
            p = star + 1;
            s = ++retry;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == 0;
}

void Fill(const FindState& st, const std::string& name, LPWIN32_FIND_DATAA data) {
    memset(data, 0, sizeof *data);
    std::string full = st.folder.empty() ? name : st.folder + "/" + name;
    struct stat sb;
    if (stat(full.c_str(), &sb) == 0) {
        data->dwFileAttributes = S_ISDIR(sb.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        data->nFileSizeLow = static_cast<DWORD>(sb.st_size & 0xffffffffu);
        data->nFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(sb.st_size) >> 32);
    }
    size_t n = std::min(name.size(), static_cast<size_t>(MAX_PATH - 1));
    memcpy(data->cFileName, name.data(), n);
    data->cFileName[n] = 0;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (!pattern || !data) return INVALID_HANDLE_VALUE;
    std::string pat(pattern);
    for (char& c : pat)
        if (c == '\\') c = '/';
    size_t slash = pat.find_last_of('/');
    std::string folderPart = slash == std::string::npos ? "" : std::string(pattern).substr(0, slash);
    std::string namePart = slash == std::string::npos ? pat : pat.substr(slash + 1);
    auto* st = new FindState;
    st->folder = folderPart.empty() ? (slash == 0 ? std::string(".") : std::string())
                                    : plat::ResolvePath(folderPart.c_str());
    DIR* d = opendir(st->folder.empty() ? "." : st->folder.c_str());
    if (d) {
        while (dirent* e = readdir(d)) {
            if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
            if (WildMatch(namePart.c_str(), e->d_name)) st->names.push_back(e->d_name);
        }
        closedir(d);
    }
    if (st->names.empty()) {
        delete st;
        return INVALID_HANDLE_VALUE;
    }
    // Report in a stable order, as an NTFS folder lists its names.
    std::sort(st->names.begin(), st->names.end(),
              [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    Fill(*st, st->names[0], data);
    st->next = 1;
    return st;
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    if (!find || find == INVALID_HANDLE_VALUE || !data) return FALSE;
    auto* st = static_cast<FindState*>(find);
    if (st->next >= st->names.size()) return FALSE;
    Fill(*st, st->names[st->next++], data);
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!find || find == INVALID_HANDLE_VALUE) return FALSE;
    delete static_cast<FindState*>(find);
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, void*) {
    if (!path) return FALSE;
    std::string p = plat::ResolvePath(path);
    return mkdir(p.c_str(), 0755) == 0 ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR path) {
    if (!path) return FALSE;
    std::string p = plat::ResolvePath(path);
    return remove(p.c_str()) == 0 ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Flushing to the disk

namespace {

int failingFlushes = 0;
int flushesBeforeFailing = 0;
int flushCount = 0;

// Counts a flush; false when a test asked it to fail.
bool FlushAllowed() {
    ++flushCount;
    if (failingFlushes <= 0) return true;
    if (flushesBeforeFailing > 0) {
        --flushesBeforeFailing;
        return true;
    }
    --failingFlushes;
    return false;
}

}  // namespace

namespace plat {

bool FlushFile(FILE* file) {
    if (!file) return false;
    if (!FlushAllowed()) return false;
    if (std::fflush(file) != 0 || std::ferror(file)) return false;
    const int fd = fileno(file);
    return fd >= 0 && fsync(fd) == 0;
}

bool FlushFolderOf(const char* name) {
    if (!name) return false;
    if (!FlushAllowed()) return false;
    const std::string path = ResolvePath(name);
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

void FailFileFlushesForTest(int count, int skip) {
    failingFlushes = count > 0 ? count : 0;
    flushesBeforeFailing = skip > 0 ? skip : 0;
}

int FileFlushCountForTest() { return flushCount; }

}  // namespace plat
