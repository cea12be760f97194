// How fast a 2 MiB sale document is loaded, re-encoded for the device and shown in the sale
// screen's input area, measured against a plain read of the same file and one setPlainText of
// the same text.

#include "BenchScreens.h"
#include "CodePage.h"
#include "FileDialogs.h"
#include "Sale.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>

#include <fstream>
#include <iterator>
#include <string>

namespace {

// A sale of many items with accented names, just under 2 MiB.
const std::string& saleFile()
{
    static const std::string path = [] {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CFe>\n  <infCFe "
                           "versaoDadosEnt=\"0.07\">\n";
        const std::string item =
            "    <det nItem=\"1\"><prod><cProd>0001</cProd><xProd>CAFÉ TORRADO E MOÍDO "
            "500 g</xProd><NCM>09012100</NCM><CFOP>5102</CFOP><uCom>UN</uCom><qCom>1.0000"
            "</qCom><vUnCom>18.90</vUnCom><indRegra>A</indRegra></prod></det>\n";
        const std::string end = "  </infCFe>\n</CFe>\n";
        while (text.size() + item.size() + end.size() < 2097152 - 1)
            text += item;
        text += end;
        const std::string file = QDir::temp().filePath("vexor-bench-venda.xml").toStdString();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }();
    return path;
}

QStringList fileAnswers;

template <typename Load> void loadIntoInputArea(benchmark::State& state, Load load)
{
    FileDialogs::answerWith(&fileAnswers);
    for (auto _ : state) {
        state.PauseTiming();
        saleScreen->XMLEntrada->clear();
        QApplication::processEvents();
        state.ResumeTiming();
        load(saleScreen);
        QApplication::processEvents(); // the repaint belongs to the load
    }
    FileDialogs::answerWith(nullptr);
    if (saleScreen->XMLEntrada->document()->blockCount() < 1000)
        state.SkipWithError("the input area stayed empty");
}

// What the screen does: the open image's load, then the sale text the send would build.
void SaleScreenLoadsAndReEncodes(benchmark::State& state)
{
    loadIntoInputArea(state, [](TFiscal* fiscal) {
        fileAnswers = {QString::fromStdString(saleFile())};
        fiscal->Image5Click();
        const std::string saleText = codepage::toAnsi(fiscal->sale().inputDocument());
        benchmark::DoNotOptimize(saleText.data());
    });
}

// The reference: the whole file read at once and put in with one call.
void PlainReadAndSetPlainText(benchmark::State& state)
{
    loadIntoInputArea(state, [](TFiscal* fiscal) {
        std::ifstream in(saleFile(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        fiscal->XMLEntrada->setPlainText(
            QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())));
    });
}

} // namespace

BENCHMARK(SaleScreenLoadsAndReEncodes)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(PlainReadAndSetPlainText)->Unit(benchmark::kMillisecond)->Iterations(5);
