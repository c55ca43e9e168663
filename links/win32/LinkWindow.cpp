#include "LinkWindow.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "LinkCommon.h"

namespace links {

namespace {

// The module (DLL or program) this code is part of: the window class belongs to it, so that it
// goes away with the module.
HINSTANCE thisModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&thisModule), &module);
    return module;
}

// One class name per module address, so that two modules with this code never share a class
// whose procedure lies in the other one.
std::string className(HINSTANCE module) {
    return "TolvaneLinkWindow." + std::to_string(reinterpret_cast<uintptr_t>(module));
}

}  // namespace

LinkWindow::LinkWindow(Handler handler, Failure failure)
    : m_handler(std::move(handler)), m_failure(std::move(failure)) {
    const HINSTANCE module = thisModule();
    const std::string name = className(module);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &LinkWindow::WindowProcedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = name.c_str();
    // A second registration of the same class fails with ERROR_CLASS_ALREADY_EXISTS: harmless.
    RegisterClassExA(&windowClass);
    m_window =
        CreateWindowExA(0, name.c_str(), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
    if (m_window == nullptr) {
        throw std::runtime_error("Cannot create the link's window: " +
                                 SystemErrorText(GetLastError()));
    }
}

LinkWindow::~LinkWindow() {
    SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
    DestroyWindowFromAnyThread(m_window);
}

namespace {

HMODULE ownModule() {
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&ownModule), &self);
    return self;
}

BOOL CALLBACK retireWindow(HWND window, LPARAM module) {
    if (GetClassLongPtrW(window, GCLP_HMODULE) == static_cast<ULONG_PTR>(module)) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    }
    return TRUE;
}

}  // namespace

void DestroyWindowFromAnyThread(HWND window) noexcept {
    if (window == nullptr || !IsWindow(window)) {
        return;
    }
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        DestroyWindow(window);
        return;
    }
    const auto module = reinterpret_cast<LPARAM>(ownModule());
    EnumChildWindows(window, &retireWindow, module);
    retireWindow(window, module);
    PostMessageW(window, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK LinkWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<LinkWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr || self->m_window != window) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->dispatch(message, wParam, lParam);
}

// The handler may destroy this window's owner, and with it this object: the call runs a copy
// of the handler and touches nothing of this object afterwards.
LRESULT LinkWindow::dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const HWND window = m_window;
    const Failure failure = m_failure;
    const char* escaped = nullptr;
    std::string text;
    try {
        const Handler handler = m_handler;
        if (handler && handler(message, wParam, lParam)) {
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        text = error.what();
        escaped = text.c_str();
    } catch (...) {
        escaped = "Unknown exception";
    }
    if (failure) {
        try {
            failure(escaped);
        } catch (...) {
        }
    }
    return 0;
}

}  // namespace links
