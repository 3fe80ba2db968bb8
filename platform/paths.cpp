#include "platform/paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

namespace plat {

namespace {

bool IsDir(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

// Finds an entry of folder whose name equals comp ignoring case; an exact
// match is preferred.
bool MatchComponent(const std::string& folder, const std::string& comp, std::string& found) {
    std::string probe = folder.empty() ? comp : (folder == "/" ? "/" + comp : folder + "/" + comp);
    if (Exists(probe)) {
        found = comp;
        return true;
    }
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return false;
    bool ok = false;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, comp.c_str()) == 0) {
            found = e->d_name;
            ok = true;
            break;
        }
    }
    closedir(d);
    return ok;
}

}  // namespace

std::string ResolvePath(const char* name) {
    if (!name) return std::string();
    // A leading '\' means the working folder; a leading '/' is a real
    // absolute path (only tests and tools pass those).
    std::string s(name);
    bool absolute = !s.empty() && s[0] == '/';
    for (char& c : s)
        if (c == '\\') c = '/';
    std::string result = absolute ? "/" : "";
    size_t pos = 0;
    std::vector<std::string> comps;
    while (pos <= s.size()) {
        size_t next = s.find('/', pos);
        if (next == std::string::npos) next = s.size();
        std::string comp = s.substr(pos, next - pos);
        if (!comp.empty() && comp != ".") comps.push_back(comp);
        pos = next + 1;
    }
    std::string folder = result;  // "" = working folder, "/" = root
    bool missing = false;
    for (size_t i = 0; i < comps.size(); ++i) {
        std::string actual = comps[i];
        if (!missing && comps[i] != "..") {
            std::string found;
            if (MatchComponent(folder, comps[i], found))
                actual = found;
            else
                missing = true;
        }
        if (folder.empty())
            folder = actual;
        else if (folder == "/")
            folder = "/" + actual;
        else
            folder += "/" + actual;
    }
    return folder.empty() ? std::string(".") : folder;
}

FILE* OpenFile(const char* name, const char* mode) {
    if (!name || !*name) return nullptr;
    std::string p = ResolvePath(name);
    if (IsDir(p)) return nullptr;
    return fopen(p.c_str(), mode);
}

bool FileExists(const char* name) {
    if (!name || !*name) return false;
    std::string p = ResolvePath(name);
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace plat
