#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Reads standard input on a thread of its own, since a console or a pipe cannot be waited for
// in a Win32 message loop, and tells a window of each chunk by posting it `message`; the
// window's thread takes the chunks with Take(). Reading blocks without end on an idle console:
// the thread is left to the end of the process, holding only state that it shares.
class StdinReader {
public:
    struct Taken {
        std::string bytes;
        bool ended = false;
        std::string error;  // why reading stopped, when it was not the end of the input
    };

    StdinReader(HWND window, UINT message);

    // What has arrived since the last call; `ended` once, with the last bytes.
    Taken Take();

private:
    struct Shared {
        std::mutex mutex;
        std::string bytes;
        bool ended = false;
        bool endTaken = false;
        std::string error;
    };
    static void Run(std::shared_ptr<Shared> shared, HANDLE input, HWND window, UINT message);

    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};
