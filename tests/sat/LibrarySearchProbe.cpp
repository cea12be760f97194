// Calls the device library as the manager does, loading it by its bare name, and writes to the
// file named by its argument "reached" or the message the operator would see. It is a process
// of its own because a library once loaded is found again whatever the search would say.

#include "AppContext.h"
#include "SatClient.h"

#include <fstream>

int main(int argc, char* argv[])
{
    if (argc != 2)
        return 2;
    AppContext context;
    SatClient client(context);
    const SatResponse response = client.ExtrairLogs();
    std::ofstream out(argv[1], std::ios::binary);
    out << (response.reached() ? std::string("reached") : response.failure());
    return out.good() ? 0 : 1;
}
