// The measurement log with long tables. Targets: a log file of 100 000
// rows opens (read, table shown and painted) in at most 1 s; a new row
// takes the same time whether the log holds a thousand rows or a hundred
// thousand.

#include "gui/app/DocumentController.h"
#include "gui/log/LogViewController.h"
#include "gui/platform/Dialogs.h"
#include "log/LogFile.h"

#include <QApplication>
#include <QDir>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kRows = 100000;

vx::LogEntry pitchRow(int k)
{
    return {"speaker-04_session-2.wav", "Pitch All Entry: time, pitch, intensity ",
            {std::to_string(k * 10) + ".00", std::to_string(100 + k % 50) + ".3", "71.4"}};
}

struct Logs {
    vx::QtDialogs dialogs;
    vx::DocumentController controller{dialogs};
    std::string path = QDir::temp().filePath("voxtrace-bench-log.txt").toStdString();

    Logs()
    {
        vx::LogTable t;
        for (int k = 0; k < kRows; ++k)
            t.AddLog(pitchRow(k));
        t.AddLog({"x.wav", "Spec. Formants Duration Entry: time, F1, F2, F3, F4, F5 ",
                  {"1.00", "500.00", "1500.00", "2500.00", "3500.00", "-1.00"}});
        std::string why;
        if (!vx::saveLog(t, path, &why))
            throw std::runtime_error(why);
    }
    ~Logs() { QFile::remove(QString::fromStdString(path)); }
};

std::unique_ptr<Logs> g_logs;

Logs& logs()
{
    if (!g_logs)
        g_logs = std::make_unique<Logs>();
    return *g_logs;
}

void BM_OpenLogOf100000Rows(benchmark::State& state)
{
    Logs& l = logs();
    for (auto _ : state) {
        if (!l.controller.openLog(QString::fromStdString(l.path)))
            state.SkipWithError("the log did not open");
        vx::LogViewController* w = l.controller.logView();
        w->table().viewport()->repaint();
        QApplication::processEvents();
        if (w->log().rowCount() != kRows + 1)
            state.SkipWithError("not every row was read");
        state.PauseTiming();
        w->hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

// One row added to a shown log of state.range(0) rows, and painted.
void BM_AddOneRow(benchmark::State& state)
{
    Logs& l = logs();
    vx::LogViewController& w = l.controller.newLog();
    std::vector<vx::LogEntry> many;
    for (int k = 0; k < state.range(0); ++k)
        many.push_back(pitchRow(k));
    w.AddLog(many);
    QApplication::processEvents();
    int k = 0;
    for (auto _ : state) {
        w.AddLog({pitchRow(k++)});
        w.table().viewport()->repaint();
    }
    state.counters["rows"] = static_cast<double>(w.log().rowCount());
    w.hide();
}

} // namespace

BENCHMARK(BM_OpenLogOf100000Rows)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AddOneRow)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_logs.reset();
    return 0;
}
