#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

// tarnolix-graphs: runs the command line given after the program's name, writing results to
// `out` and messages to `err`. Returns the exit status: 0 done, 1 nothing running or the
// graph went away, 2 a bad command line. Watch redraws until `interrupted` is set (or its
// count is reached); on a terminal it clears the screen before each redraw.
int RunGraphs(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
              const std::atomic<bool>& interrupted, bool terminal);
