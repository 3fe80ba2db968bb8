// Writes the bundled sample content into a folder: velmarine_content OUTDIR.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "content/content.h"

namespace content {

namespace {
std::map<std::string, Generator>& Registry() {
    static std::map<std::string, Generator> r;
    return r;
}
}  // namespace

bool Register(const char* name, Generator gen) {
    Registry()[name] = std::move(gen);
    return true;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::path p(path);
    std::error_code ec;
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
    std::ofstream f(path, std::ios::binary);
    if (!f) return false;
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

}  // namespace content

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    std::string out = argv[1];
    std::filesystem::create_directories(out);
    int failures = 0;
    for (auto& [name, gen] : content::Registry()) {
        if (!gen(out)) {
            fprintf(stderr, "content: %s failed\n", name.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
