// Holds Wine's desktop for a whole test run. The first window of a process makes Wine start its
// desktop process and the services that one needs, which keep the standard streams of the
// process that started them for as long as they live: a test that started them would hold
// CTest's output pipe open long after it ended. scripts/test.sh starts this program first, with
// its streams away from any pipe, and ends it with the Wine server after the run.
#include <windows.h>

#include <cstdio>

// Writes the file named by the first argument once the desktop is up, so that the script knows
// when the tests may start.
int main(int argc, char** argv) {
    const HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (window == nullptr) {
        return 1;
    }
    if (argc > 1) {
        if (std::FILE* ready = std::fopen(argv[1], "w")) {
            std::fclose(ready);
        }
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
