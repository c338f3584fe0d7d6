#include "platform/runtime/ApplicationErrors.h"

#include <cstdio>
#include <mutex>
#include <stdexcept>

namespace {

std::mutex handlerMutex; // guards handler
ApplicationErrorHandler handler;

} // namespace

void SetApplicationErrorHandler(ApplicationErrorHandler newHandler) {
    std::lock_guard lock(handlerMutex);
    handler = std::move(newHandler);
}

void ReportApplicationError(const std::exception& error) noexcept {
    ApplicationErrorHandler current;
    {
        std::lock_guard lock(handlerMutex);
        current = handler;
    }
    try {
        if (current) {
            current(error);
            return;
        }
    } catch (...) {
        // A failing handler must not take the program down; fall back to standard error.
    }
    std::fprintf(stderr, "%s\n", error.what());
}

void ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        ReportApplicationError(error);
    } catch (...) {
        ReportApplicationError(std::runtime_error("Unknown exception"));
    }
}
