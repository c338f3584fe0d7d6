#pragma once

// The CPU time each thread of the process has used, for benchmarks that share a frame's cost out
// by thread.

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

struct ThreadTime {
    std::string name;
    double seconds = 0;
};

// Every thread of the process with its CPU time so far (user and system), by thread id.
inline std::map<int, ThreadTime> ThreadTimes() {
    std::map<int, ThreadTime> times;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return times;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string dir = std::string("/proc/self/task/") + entry->d_name;
        std::ifstream statFile(dir + "/stat");
        std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
        const auto close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        double user = 0;
        double system = 0;
        for (int k = 3; k <= 15 && fields >> field; ++k) {
            if (k == 14)
                user = std::stod(field);
            if (k == 15)
                system = std::stod(field);
        }
        std::ifstream commFile(dir + "/comm");
        ThreadTime& time = times[std::atoi(entry->d_name)];
        std::getline(commFile, time.name);
        time.seconds = (user + system) / tick;
    }
    closedir(tasks);
    return times;
}
