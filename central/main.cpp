// velorin-central: the central service that Velorin clients sign in to.
#include "central/commands.h"

int main(int argc, char** argv) {
    return velorin::central::RunCommandLine(argc, argv);
}
