// The CIM-XML/HTTP object-manager stand-in: serves the inventory provider
// to WBEM clients. See kServerUsage for the options.
#include "CimServer.hpp"
#include "PasswordFile.hpp"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using namespace qvx_cimom;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "passwd") {
        if (args.size() != 3) {
            std::fputs("usage: qvx-cimom passwd FILE USER   (password on standard input)\n",
                       stderr);
            return 2;
        }
        return passwdCommand(args[1], args[2], std::cin, std::cerr);
    }
    ProgramOptions options;
    try {
        options = parseServerOptions(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "qvx-cimom: %s\n\n%s", e.what(), kServerUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kServerUsage, stdout);
        return 0;
    }
    return runServer(options);
}
