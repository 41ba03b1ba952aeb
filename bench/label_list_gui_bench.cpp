// The label list on 50 000 labels spread over the ten tiers of a document.
// Target: opening it (window, table filled, first paint) at most 0.5 s; its
// refill after a label change is measured too, as every change of the
// document asks for one while the list is shown.

#include "gui/app/DocumentController.h"
#include "gui/app/DocumentSession.h"
#include "gui/labels/LabelView.h"
#include "gui/mainview/MainWindow.h"
#include "gui/platform/Dialogs.h"

#include <QApplication>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kLabels = 50000;

struct Labelled {
    vx::QtDialogs dialogs;
    vx::DocumentController controller{dialogs};
    vx::MainWindow* window = controller.newDocument();

    Labelled()
    {
        vx::Channels& c = window->session().doc().getChannel(0);
        for (int k = 0; k < kLabels; ++k) {
            vx::LabelRecord r;
            r.strText = "label " + std::to_string(k);
            r.bounds = {0, 0, 14, 40};
            c.Tier_Add_Label_Cocoa_Where(k % vx::Channels::kNumTiers, r, {0, 50, 380, 1195}, {0, 50, 20, 1195},
                                         k * 3.7);
        }
    }
};

// Made on first use and gone before the application object.
std::unique_ptr<Labelled> g_labelled;

Labelled& labelled()
{
    if (!g_labelled)
        g_labelled = std::make_unique<Labelled>();
    return *g_labelled;
}

void BM_OpenLabelList(benchmark::State& state)
{
    Labelled& l = labelled();
    for (auto _ : state) {
        QPointer<vx::LabelView> slot;
        vx::showLabelView(*l.window, slot);
        slot->table().viewport()->repaint();
        QApplication::processEvents();
        if (slot->model().rowCount() != kLabels)
            state.SkipWithError("the list does not show every label");
        state.PauseTiming();
        delete slot.data();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_LabelListFollowsAChange(benchmark::State& state)
{
    Labelled& l = labelled();
    QPointer<vx::LabelView> slot;
    vx::showLabelView(*l.window, slot);
    for (auto _ : state) {
        l.window->session().labelsEdited(nullptr);
        slot->table().viewport()->repaint();
    }
    delete slot.data();
}

} // namespace

BENCHMARK(BM_OpenLabelList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelListFollowsAChange)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_labelled.reset();
    return 0;
}
