#include "stdin_reader_win32.h"

#include <exception>
#include <thread>

#include "system_text_win32.h"

StdinReader::StdinReader(HWND window, UINT message) {
    std::thread(Run, m_shared, GetStdHandle(STD_INPUT_HANDLE), window, message).detach();
}

StdinReader::Taken StdinReader::Take() {
    std::lock_guard lock(m_shared->mutex);
    Taken taken;
    taken.bytes.swap(m_shared->bytes);
    if (m_shared->ended && !m_shared->endTaken) {
        m_shared->endTaken = true;
        taken.ended = true;
        taken.error = m_shared->error;
    }
    return taken;
}

// A pipe whose writers have all gone reports ERROR_BROKEN_PIPE: that is the end of the input.
void StdinReader::Run(std::shared_ptr<Shared> shared, HANDLE input, HWND window, UINT message) {
    std::string error;
    try {
        std::vector<char> buffer(65536);
        for (;;) {
            DWORD count = 0;
            if (!ReadFile(input, buffer.data(), static_cast<DWORD>(buffer.size()), &count,
                          nullptr)) {
                const DWORD code = GetLastError();
                if (code != ERROR_BROKEN_PIPE && code != ERROR_HANDLE_EOF) {
                    error = SystemErrorText(code);
                }
                break;
            }
            if (count == 0) {
                break;
            }
            {
                std::lock_guard lock(shared->mutex);
                shared->bytes.append(buffer.data(), count);
            }
            PostMessageW(window, message, 0, 0);
        }
    } catch (const std::exception& failure) {
        error = failure.what();
    } catch (...) {
        error = "unknown failure";
    }
    {
        std::lock_guard lock(shared->mutex);
        shared->ended = true;
        shared->error = error;
    }
    PostMessageW(window, message, 0, 0);
}
