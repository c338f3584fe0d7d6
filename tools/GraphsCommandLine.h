#pragma once

#include "platform/runtime/Exception.h"

#include <string>
#include <vector>

// A command line that tarnolix-graphs cannot run (exit status 2); its message says why.
TARNOLIX_DECLARE_ERROR(EGraphsUsage, Exception);

// What tarnolix-graphs was asked to do.
struct TGraphsOptions {
    enum class Command { List, Show, Watch, Help };
    Command command = Command::List;
    std::string target; // show and watch: a graph's name or its process id
    bool dot = false;   // show: Graphviz
    bool json = false;  // list, show, watch: the raw replies
    int count = 0;      // watch: stop after this many redraws (0: until interrupted)
};

// Parses the arguments after the program's name:
//   [list] [--json]
//   show NAME|PID [--dot | --json]
//   watch NAME|PID [--json] [--count N]
//   --help
// Raises EGraphsUsage for anything else.
TGraphsOptions ParseGraphsCommandLine(const std::vector<std::string>& arguments);

extern const char* const kGraphsUsage;
