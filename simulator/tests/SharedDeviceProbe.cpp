// Another program on the same simulated device, for the tests of sharing it: it sells through
// the device library as a point of sale does, or holds the state's lock until it is killed.
//
//   shared_device_probe sell STATE COUNT SALE_FILE CODE   prints each CF-e key, one a line
//   shared_device_probe hold STATE                        prints "held" and waits

#include "DynamicLibrary.h"
#include "SatClient.h"
#include "SatLibrary.h"
#include "StateStore.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

int sell(int count, const std::string& documentFile, std::string code)
{
    std::ifstream in(documentFile, std::ios::binary);
    const std::string document((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    const dynlib::LoadResult loaded = dynlib::load(std::string(SatClient::librarySAT));
    if (!loaded.handle) {
        std::cerr << loaded.error << "\n";
        return 3;
    }
    const auto enviar = dynlib::function<EnviarDadosVendaFn>(loaded.handle, "EnviarDadosVenda");
    for (int sale = 1; sale <= count; ++sale) {
        std::string buffer = document;
        const std::string answer = enviar(sale, code.data(), buffer.data());
        // session|06000|0000|message|||CF-e|timestamp|key|...
        std::size_t at = 0;
        for (int field = 1; field < 9 && at != std::string::npos; ++field)
            at = answer.find('|', at + 1);
        if (answer.compare(6, 7, "|06000|") != 0 || at == std::string::npos) {
            std::cerr << "venda " << sale << ": " << answer.substr(0, 200) << "\n";
            return 1;
        }
        std::cout << answer.substr(at + 1, 47) << std::endl;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode.empty() || (mode == "sell" && argc != 6) || (mode == "hold" && argc != 3)) {
        std::cerr << "usage: shared_device_probe sell STATE COUNT SALE_FILE CODE | hold STATE\n";
        return 2;
    }
    ::setenv("SATSIM_STATE", argv[2], 1);
    if (mode == "sell")
        return sell(std::atoi(argv[3]), argv[4], argv[5]);
    const satsim::StateLock lock(argv[2]);
    if (!lock.held())
        return 3;
    std::cout << "held" << std::endl;
    for (;;)
        ::pause();
}
