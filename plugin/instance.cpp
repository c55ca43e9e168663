#include "plugin/instance.h"

#include <semaphore.h>

#include <cxxabi.h>

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWindow>

#include "output/output_state.h"
#include "pipeline/library_state.h"
#include "plugin/tform1.h"

namespace {

QPointer<TForm1> g_instance;
bool g_destroyed = false;

// Tells an exiting process from an unload of this library, which both run the static
// destructors. At exit, Qt's own globals made after this library was loaded are already gone
// when ours run, and deleting a window then crashes; at exit the window is left to the system.
class ExitWatch {
public:
    // Arms the watch; call it after the library is loaded, so that its handler runs at exit
    // before this library's static destructors do.
    void Arm() {
        if (m_raised != nullptr) {
            return;
        }
        // Never freed: the handler may run after this library is gone.
        m_raised = new sem_t;
        sem_init(m_raised, 0, 0);
        // Registered with no library handle, the handler runs at exit and never at an unload.
        // It is the C library's sem_post, so it stays valid after this library is unloaded.
        const auto raise =
            reinterpret_cast<void (*)(void*)>(reinterpret_cast<void (*)()>(&sem_post));
        abi::__cxa_atexit(raise, m_raised, nullptr);
    }

    bool ProcessIsExiting() const {
        int value = 0;
        return m_raised != nullptr && sem_getvalue(m_raised, &value) == 0 && value > 0;
    }

private:
    sem_t* m_raised = nullptr;
};
ExitWatch g_exitWatch;

void DestroyInstance() {
    if (g_instance != nullptr && !g_exitWatch.ProcessIsExiting()) {
        delete g_instance.data();
    }
    g_instance = nullptr;
    g_destroyed = true;
}

// Runs when the library is unloaded or the process ends. A window must not outlive the code
// that drew it, and must not be deleted after the application object is gone or while the
// process exits.
struct UnloadGuard {
    // The window's handlers use the library's state until the window is gone: made before
    // the guard, that state is destroyed after it.
    UnloadGuard() {
        static_cast<void>(Counters());
        static_cast<void>(OutputBuffer());
        static_cast<void>(Output());
        static_cast<void>(OutputClock());
    }
    UnloadGuard(const UnloadGuard&) = delete;
    UnloadGuard& operator=(const UnloadGuard&) = delete;
    ~UnloadGuard() {
        if (QCoreApplication::instance() != nullptr) {
            qRemovePostRoutine(DestroyInstance);
            DestroyInstance();
        }
    }
};
UnloadGuard g_unloadGuard;

bool OnApplicationThread() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

// Keeps the window above the host's window when the host names one.
void AttachToHostWindow(TForm1* form, uintptr_t hostWindow) {
    if (hostWindow == 0) {
        return;
    }
    form->winId();
    QWindow* owner = nullptr;
    if (QWidget* hostWidget = QWidget::find(static_cast<WId>(hostWindow))) {
        owner = hostWidget->window()->windowHandle();
    } else {
        owner = QWindow::fromWinId(static_cast<WId>(hostWindow));
        if (owner != nullptr) {
            // Owned as an object only: QWindow::setParent would embed the host's window in ours.
            owner->QObject::setParent(form);
        }
    }
    if (owner != nullptr && form->windowHandle() != nullptr) {
        form->windowHandle()->setTransientParent(owner);
    }
}

}  // namespace

TForm1* CreateInstance(uintptr_t hostWindow, int32_t hostValue) {
    if (g_instance != nullptr) {
        return g_instance;
    }
    if (g_destroyed || !OnApplicationThread()) {
        return nullptr;
    }
    auto* form = new TForm1();
    form->HostValue = hostValue;
    AttachToHostWindow(form, hostWindow);
    g_instance = form;
    g_exitWatch.Arm();
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, form, &DestroyInstance);
    qAddPostRoutine(DestroyInstance);
    return form;
}

TForm1* CurrentInstance() {
    TForm1* form = g_instance;
    if (form == nullptr || QThread::currentThread() != form->thread()) {
        return nullptr;
    }
    return form;
}
