#pragma once

#include <string>
#include <vector>

// vivid's video capture nodes, found by asking each /dev/videoN for its driver.
std::vector<std::string> VividCaptureNodes();
