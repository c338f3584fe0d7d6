#pragma once

#include <chrono>
#include <functional>

// Runs the GUI thread's event loop until `done` holds or `timeout` passes; returns `done()`.
bool ProcessEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
