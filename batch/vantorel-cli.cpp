// vantorel-cli: the headless front end that re-compresses pictures with one profile.
#include "CliOptions.h"
#include "CliRunner.h"
#include "HeadlessApplication.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    std::string error;
    const auto options = vantorel::ParseCliOptions(args, error);
    if (!options) {
        std::cerr << "vantorel-cli: " << error << "\n" << "Try 'vantorel-cli --help'.\n";
        return 2;
    }
    if (options->Help) {
        std::cout << vantorel::CliUsage();
        return 0;
    }
    const auto app = vantorel::StartHeadlessApplication(argc, argv, vantorel::CliNeedsFonts(*options));
    return vantorel::RunCli(*options, std::cout, std::cerr);
}
