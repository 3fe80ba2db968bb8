// The generated sample content for tests that run the whole program: the
// content is generated once into the test folder (keyed by the generator's
// time stamp) and copied into each test's own folder, since generating takes
// seconds and test processes run side by side.
#pragma once

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/testutil.h"

namespace veltest {

// A program of the build tree's content folder; the tests run in
// <build>/tests/work_<folder>. Empty when it is not built.
inline std::string BuiltContentProgram(const char* name) {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return "";
    std::filesystem::path p = std::filesystem::path(buf) / ".." / ".." / "content" / name;
    std::error_code ec;
    return std::filesystem::exists(p, ec) ? std::filesystem::weakly_canonical(p, ec).string() : "";
}

// Copies the generated content into target, generating it first when the
// cache is missing or older than the generator.
inline bool PrepareContent(const std::string& gen, const std::string& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // One process at a time fills or reads the cache.
    const int lock = open("e2e_content.lock", O_CREAT | O_RDWR, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        if (lock >= 0) close(lock);
        return false;
    }
    const std::string stamp = std::to_string(fs::last_write_time(gen, ec).time_since_epoch().count());
    const fs::path cache = fs::current_path(ec) / "e2e_content";
    bool ok = true;
    if (ReadFile((cache / "generator.stamp").string()) != stamp) {
        fs::remove_all(cache, ec);
        const std::string cmd = "'" + gen + "' '" + cache.string() + "' > e2e_content.log 2>&1";
        ok = std::system(cmd.c_str()) == 0;
        if (ok) WriteFile((cache / "generator.stamp").string(), stamp);
    }
    if (ok) {
        fs::copy(cache, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        ok = !ec;
    }
    flock(lock, LOCK_UN);
    close(lock);
    return ok;
}

}  // namespace veltest
