#pragma once

#include <exception>
#include <functional>

// Where an error goes that reaches a thread boundary (the event loop, a posted message, the
// streaming thread) without being handled. The application installs a handler that shows its
// error box; until then the message goes to standard error.
using ApplicationErrorHandler = std::function<void(const std::exception&)>;

void SetApplicationErrorHandler(ApplicationErrorHandler handler);

// Hands the error to the handler. Never throws.
void ReportApplicationError(const std::exception& error) noexcept;

// For use inside a catch block: reports the current exception, whatever its type.
void ReportCurrentException() noexcept;
