#pragma once
// velorin-central's command line:
//   serve [--listen ADDR] [--web-port N] [--web-root DIR] [--min-version N]
//   add-member ID PASSWORD [--age N] [--points N]
//   set-points ID N | disable-member ID | enable-member ID | list-members
// Every command takes --db FILE (default central.db in the current folder).
// Exit status: 0 done, 1 failed, 2 wrong usage.
namespace velorin::central {

int RunCommandLine(int argc, char** argv);

}  // namespace velorin::central
