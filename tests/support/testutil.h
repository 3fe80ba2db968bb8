// Helpers shared by the tests: a temporary working folder and small file
// helpers.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace veltest {

// Creates a fresh folder and makes it the working folder for the test's life.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/veltest_XXXXXX";
        char* d = mkdtemp(tmpl);
        path_ = d ? d : "/tmp";
        char buf[4096];
        old_ = getcwd(buf, sizeof buf) ? buf : ".";
        if (chdir(path_.c_str()) != 0) perror("chdir");
    }
    ~TempDir() {
        if (chdir(old_.c_str()) != 0) perror("chdir");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string old_;
};

inline void WriteFile(const std::string& name, const std::string& bytes) {
    std::filesystem::path p(name);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream f(name, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

}  // namespace veltest
