// Process entry: hands the command line to WinMain.
#include <string>

#include "app/winmain.h"

int main(int argc, char** argv) {
    std::string cmd;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) cmd += ' ';
        cmd += argv[i];
    }
    return WinMain(PlatformInstance(), nullptr, cmd.data(), SW_SHOWDEFAULT);
}
