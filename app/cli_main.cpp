// ledgerine-cli: the command-line front end; everything is in cli/cli.h.
#include "cli/cli.h"
#include "platform/args.h"

int main(int argc, char** argv) {
    return ledgerine::cli::runCli(ledgerine::platform::commandLineArguments(argc, argv));
}
