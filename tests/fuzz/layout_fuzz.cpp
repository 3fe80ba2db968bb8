// Layout files, checked against what the loader promises:
//  - a load never answers 400 (lists that could not be emptied);
//  - after a load that failed, every list the file fills is empty;
//  - a layout that loaded saves, the saved file loads with the same answer,
//    and a save of that writes the same bytes apart from what a load
//    rebuilds (group ids, the order of the track additions);
//  - frames run on what was loaded, and the layout they leave saves and
//    loads again.
// A broken promise aborts, so that libFuzzer keeps the input.
//
// An input is loaded as it stands. When that fails it is loaded once more
// with a stock tail after it (a flat 1 by 1 terrain, the lighting and the
// sky box as the saver writes them), so that small inputs holding only the
// record sections load completely and their records reach the fix-ups, the
// frames and the saver; a terrain of its own takes at least 86 KB.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "rail/full_layout.h"
#include "support/testutil.h"

namespace {

[[noreturn]] void Broken(const char* promise, const char* file) {
    std::fprintf(stderr, "fuzz: %s (%s)\n", promise, file);
    std::abort();
}

bool Loaded(int result) { return result == LOAD_OK || result == LOAD_TYPES_MISSING; }

int CheckedLoad(const char* name) {
    const int result = layoutState.LoadLayout(name);
    if (result == LOAD_NOT_EMPTY) Broken("a load found lists it could not empty", name);
    if (!Loaded(result) && !fulllayout::ListsEmpty()) Broken("a failed load left records behind", name);
    return result;
}

std::string CheckedSave(const char* name) {
    if (layoutState.SaveLayout(name) != 1) Broken("a loaded layout could not be saved", name);
    return veltest::ReadFile(name);
}

void ReportDifference(const std::string& a, const std::string& b) {
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) at++;
    std::fprintf(stderr, "fuzz: saves of %zu and %zu bytes differ from byte %zu on\n", a.size(), b.size(), at);
}

// Saves the layout, loads the save and saves again: the load answers as the
// layout's own load did, and the second save holds the same bytes.
void CheckRoundTrip(int result, const char* first, const char* second) {
    const std::string a = CheckedSave(first);
    if (CheckedLoad(first) != result) Broken("the saved layout loads with another answer", first);
    const std::string b = CheckedSave(second);
    if (fulllayout::WithoutLoadChanges(a, true) != fulllayout::WithoutLoadChanges(b, false)) {
        ReportDifference(a, b);
        Broken("a save of the reloaded layout differs", second);
    }
}

void CheckLoadedLayout(int result) {
    CheckRoundTrip(result, "fuzzsaved1.roa", "fuzzsaved2.roa");
    velfuzz::RunFrames(3);
    CheckRoundTrip(result, "fuzzsaved3.roa", "fuzzsaved4.roa");
    velfuzz::RunFrames(2);
}

// The terrain, lighting and sky box sections of a new 1 by 1 layout.
std::string MakeStockTail() {
    if (NewLayout(0, 1, 1) != 1) return "";
    FILE* f = std::tmpfile();
    if (!f) return "";
    std::string tail;
    if (terrain.Save(f) && lightList.Save(f) && skybox.Save(f)) {
        tail.resize(static_cast<size_t>(std::ftell(f)));
        std::rewind(f);
        if (std::fread(&tail[0], 1, tail.size(), f) != tail.size()) tail.clear();
    }
    std::fclose(f);
    ClearLayout();
    return tail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!velfuzz::StartProgram()) return 0;
    static const std::string tail = MakeStockTail();
    if (tail.empty()) Broken("the stock terrain could not be written", "");

    velfuzz::WriteInput("fuzzin.roa", data, size);
    int result = CheckedLoad("fuzzin.roa");
    if (!Loaded(result)) {
        velfuzz::RunFrames(1);
        std::string padded(reinterpret_cast<const char*>(data), size);
        padded += tail;
        velfuzz::WriteInput("fuzzin_tail.roa", reinterpret_cast<const uint8_t*>(padded.data()), padded.size());
        result = CheckedLoad("fuzzin_tail.roa");
    }
    if (Loaded(result)) CheckLoadedLayout(result);
    velfuzz::RunFrames(1);
    ClearLayout();
    if (!fulllayout::ListsEmpty()) Broken("clearing the layout left records behind", "");
    return 0;
}
