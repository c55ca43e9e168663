// Renders each tab of the Win32 settings window into a PNG file, for the README's pictures:
//   tolvane_window_win32_snapshot.exe FOLDER
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "plugin/win32/win32_window.h"

namespace {

uint32_t Crc32(const uint8_t* data, std::size_t size, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> values{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            values[n] = c;
        }
        return values;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian(out, Crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) blocks: no compressor needed for a few pictures.
std::vector<uint8_t> Stored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t size = std::min<std::size_t>(raw.size() - at, 65535);
        out.push_back(at + size == raw.size() ? 1 : 0);
        out.push_back(static_cast<uint8_t>(size));
        out.push_back(static_cast<uint8_t>(size >> 8));
        out.push_back(static_cast<uint8_t>(~size));
        out.push_back(static_cast<uint8_t>(~size >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    } while (at < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

// Writes top-down BGRX pixels as an RGB PNG.
bool WritePng(const std::string& path, int width, int height, const uint8_t* bgrx) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = bgrx + (static_cast<std::size_t>(y) * width + x) * 4;
            raw.insert(raw.end(), {pixel[2], pixel[1], pixel[0]});
        }
    }
    std::vector<uint8_t> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", Stored(raw));
    PutChunk(png, "IEND", {});
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written;
}

bool Snapshot(HWND window, const std::string& path) {
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pixels = nullptr;
    const HDC screen = GetDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    const HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const HDC source = GetWindowDC(window);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
    GdiFlush();
    const bool written = WritePng(path, width, height, static_cast<const uint8_t*>(pixels));
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return written;
}

void Pump() {
    MSG message;
    for (int round = 0; round < 20; ++round) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

}  // namespace

// The window as a host gets it: tolvane.dll beside this program makes it through Initialize, so
// the pictures show what the handlers put in (the grid's headers, the port list, the status).
using InitializeCall = void*(__stdcall*)(uint32_t hostWindow, int32_t hostValue);

int main(int argc, char** argv) {
    try {
        const std::string folder = argc > 1 ? argv[1] : ".";
        const HMODULE plugin = LoadLibraryA("tolvane.dll");
        const auto initialize =
            plugin != nullptr ? reinterpret_cast<InitializeCall>(
                                    reinterpret_cast<void*>(GetProcAddress(plugin, "Initialize")))
                              : nullptr;
        const HWND handle = initialize != nullptr ? static_cast<HWND>(initialize(0, 0)) : nullptr;
        if (handle == nullptr) {
            std::fprintf(stderr, "tolvane.dll did not load or make its window (%lu)\n",
                         GetLastError());
            return 1;
        }
        SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        const HWND tabs = win32_window::FindControl(handle, "PageControl1");
        const char* names[] = {"statistics", "group-filter", "rds-encoder", "about"};
        for (int index = 0; index < 4; ++index) {
            SendMessageW(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
            RedrawWindow(handle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            Pump();
            const std::string path = folder + "/win32-" + names[index] + ".png";
            if (!Snapshot(handle, path)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }
        FreeLibrary(plugin);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
