// How fast a large device log becomes display lines, measured against a plain scan of the
// same bytes for line feeds; and how fast the lines fill the logs screen, measured against
// one setPlainText of the same text.

#include "AppContext.h"
#include "BenchScreens.h"
#include "Extrairlog.h"
#include "LogExtractor.h"
#include "Sale.h"
#include "SatClient.h"
#include "Screens.h"
#include "Style.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int records = 200000;

// A decoded log of the shapes devices write: a header, records with and without a colon,
// some Portuguese text, some long messages.
const std::string& decodedLog()
{
    static const std::string log = [] {
        const char* const origins[] = {"app", "rede", "sat", "sefaz", "memoria"};
        const char* const levels[] = {"INFO", "WARN", "ERROR", "DEBUG"};
        const char* const messages[] = {
            "Comunicação com a SEFAZ concluída com sucesso, lote de CF-e transmitido",
            "Cabo de rede desconectado na porta WAN, aguardando reconexão automática",
            "evento: Certificado digital válido até 2030, verificação periódica ok",
            "Falha no envio do lote 000123: tempo esgotado, nova tentativa agendada"};
        std::string text = "HEADER LOG SAT v1\n";
        text.reserve(static_cast<std::size_t>(records) * 110);
        char stamp[32];
        for (int i = 0; i < records; ++i) {
            std::snprintf(stamp, sizeof stamp, "2015%02d%02d%02d%02d%02d", 1 + i % 12, 1 + i % 28,
                          i % 24, i % 60, (i * 7) % 60);
            text += stamp;
            text += '|';
            text += origins[i % 5];
            text += '|';
            text += levels[i % 4];
            text += '|';
            text += messages[i % 4];
            text += " #";
            text += std::to_string(i);
            text += '\n';
        }
        return text;
    }();
    return log;
}

const std::string& formattedLines()
{
    static const std::string lines(LogExtractor::formatLog(decodedLog()).text());
    return lines;
}

void LineScan(benchmark::State& state)
{
    const std::string& log = decodedLog();
    for (auto _ : state) {
        std::size_t lines = 0;
        const char* at = log.data();
        const char* end = at + log.size();
        while (const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at))) {
            ++lines;
            at = static_cast<const char*>(found) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.size()));
}

// The floor of any pass that writes its output: the same bytes copied into a new buffer.
void CopyBytes(benchmark::State& state)
{
    const std::string& log = decodedLog();
    for (auto _ : state) {
        std::unique_ptr<char[]> copy(new char[log.size()]);
        std::memcpy(copy.get(), log.data(), log.size());
        benchmark::DoNotOptimize(copy.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.size()));
}

void FormatLog(benchmark::State& state, LogExtractor::MarkScan scan)
{
    if (!LogExtractor::canScan(scan)) {
        state.SkipWithError("this processor lacks these compares");
        return;
    }
    const std::string& log = decodedLog();
    for (auto _ : state) {
        LogExtractor::Lines lines = LogExtractor::formatLog(log, scan);
        benchmark::DoNotOptimize(lines.buffer.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(log.size()));
}

// The logs screen, shown, as the program builds it; made by main.
TForm14* logsScreen = nullptr;

template <typename Fill> void fillLogsArea(benchmark::State& state, bool afterOneLine, Fill fill)
{
    TForm14* form = logsScreen;
    for (auto _ : state) {
        state.PauseTiming();
        form->Memo1->clear();
        if (afterOneLine)
            form->Memo1->setPlainText("linha anterior");
        QApplication::processEvents();
        state.ResumeTiming();
        fill(form);
        QApplication::processEvents(); // the repaint belongs to the fill
    }
    if (form->Memo1->document()->blockCount() < records)
        state.SkipWithError("the text area did not take every line");
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(formattedLines().size()));
}

// What the screen does with an extraction's lines.
void ScreenAppendsLines(benchmark::State& state)
{
    fillLogsArea(state, false,
                 [](TForm14* form) { form->memoSink().appendLines(formattedLines()); });
}

// A second extraction: the area already holds lines.
void ScreenAppendsLinesAfterOthers(benchmark::State& state)
{
    fillLogsArea(state, true,
                 [](TForm14* form) { form->memoSink().appendLines(formattedLines()); });
}

// The reference: the same text, already converted, put in with one call.
void SetPlainText(benchmark::State& state)
{
    const QString text = QString::fromUtf8(formattedLines().data(),
                                           static_cast<qsizetype>(formattedLines().size() - 1));
    fillLogsArea(state, false, [&](TForm14* form) { form->Memo1->setPlainText(text); });
}

// Keeps each benchmark's time per iteration, to print the ratios the targets are about: by
// wall time, and by CPU time, which a busy machine disturbs less.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // The median of repeated runs where there is one, else the single run.
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Iteration ||
                (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")) {
                wall[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpu[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        auto ratio = [](const std::map<std::string, double>& times, const char* a, const char* b) {
            const auto x = times.find(a);
            const auto y = times.find(b);
            return x == times.end() || y == times.end() ? -1.0 : x->second / y->second;
        };
        auto print = [&](const char* what, const char* a, const char* b, const char* note) {
            std::printf("%s: %.3f by wall time, %.3f by CPU time (%s)\n", what, ratio(wall, a, b),
                        ratio(cpu, a, b), note);
        };
        std::printf("\nlog: %zu bytes, %d records; display lines: %zu bytes\n", decodedLog().size(),
                    records, formattedLines().size());
        print("formatting speed / line scan speed", "LineScan", "FormatLog/",
              "target at least 0.333");
        for (const char* way : {"avx512", "avx2", "sse2", "plain"}) {
            const std::string name = std::string("FormatLog/") + way;
            if (wall.count(name))
                print(("  marks found with " + std::string(way)).c_str(), "LineScan", name.c_str(),
                      "where the processor has it");
        }
        print("copying speed / line scan speed", "LineScan", "CopyBytes",
              "a pass that writes its output");
        print("screen fill / setPlainText", "ScreenAppendsLines", "SetPlainText",
              "target at most 1.5");
        print("sale load, re-encoding and display / plain read and setPlainText",
              "SaleScreenLoadsAndReEncodes", "PlainReadAndSetPlainText", "target at most 1.5");
        print("screen fill after other lines / setPlainText", "ScreenAppendsLinesAfterOthers",
              "SetPlainText", "no target");
    }

    std::map<std::string, double> wall;
    std::map<std::string, double> cpu;
};

} // namespace

BENCHMARK(LineScan)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyBytes)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormatLog, , LogExtractor::MarkScan::fastest)->Unit(benchmark::kMillisecond);
// Each way of finding the marks, on processors that have it.
BENCHMARK_CAPTURE(FormatLog, avx512, LogExtractor::MarkScan::avx512)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormatLog, avx2, LogExtractor::MarkScan::avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormatLog, sse2, LogExtractor::MarkScan::sse2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FormatLog, plain, LogExtractor::MarkScan::plain)->Unit(benchmark::kMillisecond);
BENCHMARK(ScreenAppendsLines)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ScreenAppendsLinesAfterOthers)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SetPlainText)->Unit(benchmark::kMillisecond)->Iterations(5);

TFiscal* saleScreen = nullptr;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    initUiResources();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    AppContext context;
    SatClient client(context);
    Screens screens(context, client);
    logsScreen = screens.Form14();
    Screens::openScreen(logsScreen);
    saleScreen = screens.Fiscal();
    Screens::openScreen(saleScreen);
    // A first fill, untimed, so that fonts and layout are ready for every measured one.
    logsScreen->memoSink().appendLines(formattedLines());
    QApplication::processEvents();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
