// Groups per second through the intake. RDS itself delivers about 11.4 groups per second.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QTableWidget>
#include <memory>

#include "pipeline/group_filter.h"
#include "pipeline/group_output_buffer.h"
#include "plugin_library.h"

namespace {

RdsGroupRecord Varied(int64_t n) {
    const auto v = static_cast<int32_t>(n * 2654435761U & 0xFFFF);
    return {0, 0, 0, 0x6204, v, (v * 7) & 0xFFFF, (v * 13) & 0xFFFF};
}

// Type selection, then a mask row for the groups not selected, then the ring.
void PureBufferAndFilter(benchmark::State& state) {
    auto buffer = std::make_unique<GroupOutputBuffer>();
    std::array<bool, 32> ticked{};
    for (int i = 2; i < 32; i += 3) {
        ticked[static_cast<std::size_t>(i)] = true;
    }
    const group_filter::MaskCells cells{"0010????????????", "????????????????", "1"};
    int64_t n = 0;
    RdsGroupRecord out;
    for (auto _ : state) {
        const RdsGroupRecord group = Varied(n++);
        if (ticked[static_cast<std::size_t>(GroupTypeIndex(group))] ||
            group_filter::MaskRowMatches(group, cells)) {
            benchmark::DoNotOptimize(buffer->Add(group));
        }
        if (buffer->Length() > 1000) {
            benchmark::DoNotOptimize(buffer->Read(out));
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PureBufferAndFilter);

struct LoadedPlugin {
    PluginLibrary library;
    QWidget* window = nullptr;
};

LoadedPlugin& Plugin() {
    static LoadedPlugin plugin = [] {
        LoadedPlugin loaded;
        if (loaded.library.Load(TOLVANE_PLUGIN_PATH)) {
            loaded.window = static_cast<QWidget*>(loaded.library.Initialize(0, 0));
        }
        return loaded;
    }();
    return plugin;
}

// The whole export with the window hidden: copy, count, labels, filter, ring.
void RDSGroupExport(benchmark::State& state) {
    LoadedPlugin& plugin = Plugin();
    if (plugin.window == nullptr) {
        state.SkipWithError(plugin.library.Error().c_str());
        return;
    }
    auto* list = plugin.window->findChild<QListWidget*>("CLBSHOW");
    for (int i = 0; i < 35; ++i) {
        list->item(i)->setCheckState(i % 3 == 2 ? Qt::Checked : Qt::Unchecked);
    }
    list->item(32)->setCheckState(Qt::Checked);
    auto* grid = plugin.window->findChild<QTableWidget*>("SGMASK");
    grid->item(1, 1)->setText("0010????????????");
    grid->item(1, 2)->setText("????????????????");
    grid->item(1, 3)->setText("1");
    int64_t n = 0;
    for (auto _ : state) {
        const RdsGroupRecord group = Varied(n++);
        plugin.library.RDSGroup(reinterpret_cast<const HostGroupRecord*>(&group));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RDSGroupExport);

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
