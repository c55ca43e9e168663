// What the host waits for: the plug-in restoring a workspace, and a workspace file saved
// (written beside the old one, read back, flushed to the disk, renamed) or loaded.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "kovadex.h"
#include "plugin_library.h"

namespace {

constexpr int32_t kWorkspace = 1;

struct LoadedPlugin {
    PluginLibrary library;
    QWidget* window = nullptr;
};

// The plug-in with its settings saved once into the workspace.
LoadedPlugin& Plugin() {
    static LoadedPlugin plugin = [] {
        LoadedPlugin loaded;
        if (loaded.library.Load(TOLVANE_PLUGIN_PATH)) {
            loaded.window = static_cast<QWidget*>(loaded.library.Initialize(0, 0));
            loaded.library.Command("SAVEWORKSPACE", kWorkspace);
        }
        return loaded;
    }();
    return plugin;
}

void OpenWorkspaceCommand(benchmark::State& state) {
    LoadedPlugin& plugin = Plugin();
    if (plugin.window == nullptr) {
        state.SkipWithError(plugin.library.Error().c_str());
        return;
    }
    for (auto _ : state) {
        plugin.library.Command("OPENWORKSPACE", kWorkspace);
    }
}
BENCHMARK(OpenWorkspaceCommand)->Unit(benchmark::kMicrosecond);

void SaveWorkspaceFileToDisk(benchmark::State& state) {
    Plugin();
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("workspace.ini").toLocal8Bit();
    for (auto _ : state) {
        if (SaveWorkspaceFile(kWorkspace, path.constData()) == 0) {
            state.SkipWithError(WorkspaceFileError());
            return;
        }
    }
}
BENCHMARK(SaveWorkspaceFileToDisk)->Unit(benchmark::kMillisecond);

void LoadWorkspaceFileFromDisk(benchmark::State& state) {
    Plugin();
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("workspace.ini").toLocal8Bit();
    SaveWorkspaceFile(kWorkspace, path.constData());
    for (auto _ : state) {
        if (LoadWorkspaceFile(kWorkspace, path.constData()) == 0) {
            state.SkipWithError(WorkspaceFileError());
            return;
        }
    }
}
BENCHMARK(LoadWorkspaceFileFromDisk)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
