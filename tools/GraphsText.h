#pragma once

#include "platform/runtime/JsonValue.h"

#include <string>

// The viewer's renderings of a graph's replies (the "describe" and "stats" replies of the
// viewer protocol). Pure functions of the replies; missing members show as blanks, never fail.

// The heading and one line per graph of `tarnolix-graphs`: name, process, state, frames a
// second (the fastest output pin's rate).
std::string GraphListHeading();
std::string GraphListLine(const std::string& name, long long pid, const JsonValue* stats,
                          const std::string& problem);

// The graph as text: each filter with its class, each pin with its connection, type and flow,
// then the counters.
std::string GraphText(const JsonValue& describe, const JsonValue& stats);

// The graph in Graphviz's language: a box per filter, an arrow per connection labelled with its
// pins, type and rate.
std::string GraphDot(const JsonValue& describe, const JsonValue& stats);

// The rates and counters of one stats reply, as watch redraws them.
std::string GraphRatesText(const JsonValue& stats);
