#include "tools/GraphsText.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Fixed(double value, int decimals = 2) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string Whole(double value) {
    return std::to_string(static_cast<long long>(value));
}

const std::vector<JsonValue>& ItemsOf(const JsonValue& value, std::string_view key) {
    static const std::vector<JsonValue> kNone;
    const JsonValue* member = value.Find(key);
    return member && member->IsArray() ? member->Items() : kNone;
}

// The stats entry of one output pin.
const JsonValue* PinFlow(const JsonValue& stats, const std::string& filter, const std::string& pin) {
    for (const JsonValue& entry : ItemsOf(stats, "pins"))
        if (entry.StringOf("filter") == filter && entry.StringOf("pin") == pin)
            return &entry;
    return nullptr;
}

std::string FlowText(const JsonValue* flow) {
    if (!flow)
        return {};
    return Whole(flow->NumberOf("samples")) + " samples, " + Fixed(flow->NumberOf("rate")) + " a second";
}

std::string GuidText(const JsonValue* guid) {
    if (!guid)
        return "?";
    const std::string name = guid->StringOf("name");
    return name.empty() ? guid->StringOf("id", "?") : name;
}

// "Video RGB24 640x480, 24 bit, 30.00 frames a second (interval 333333)".
std::string TypeText(const JsonValue* type) {
    if (!type || !type->IsObject())
        return {};
    std::string text = GuidText(type->Find("major")) + " " + GuidText(type->Find("sub"));
    if (type->Find("width")) {
        text += " " + Whole(type->NumberOf("width")) + "x" + Whole(type->NumberOf("height")) + ", " +
                Whole(type->NumberOf("bit_count")) + " bit";
        const double interval = type->NumberOf("frame_interval");
        if (interval > 0)
            text += ", " + Fixed(1e7 / interval) + " frames a second (interval " + Whole(interval) + ")";
    } else {
        text += " (" + GuidText(type->Find("format")) + ")";
    }
    return text;
}

std::string CountersText(const JsonValue& stats, const std::string& indent) {
    std::string text;
    for (const JsonValue& group : ItemsOf(stats, "counters")) {
        const std::string source = group.StringOf("source");
        const std::string kind = group.StringOf("kind");
        text += indent + (source.empty() || source == kind ? kind : source + " (" + kind + ")") + ":";
        const JsonValue* values = group.Find("values");
        size_t shown = 0;
        if (values && values->IsObject()) {
            for (size_t i = 0; i < values->Keys().size(); ++i, ++shown)
                text += (shown ? ", " : " ") + values->Keys()[i] + " " + Whole(values->Items()[i].AsNumber());
        }
        // Texts (a device, a format) after the counts, from a program that sends them.
        const JsonValue* labels = group.Find("labels");
        if (labels && labels->IsObject()) {
            for (size_t i = 0; i < labels->Keys().size(); ++i, ++shown)
                text += (shown ? ", " : " ") + labels->Keys()[i] + " " + labels->Items()[i].AsString();
        }
        text += "\n";
    }
    return text;
}

double FastestRate(const JsonValue& stats) {
    double fastest = 0.0;
    for (const JsonValue& entry : ItemsOf(stats, "pins"))
        fastest = std::max(fastest, entry.NumberOf("rate"));
    return fastest;
}

std::string Shown(const std::string& name) {
    return !name.empty() && name[0] == '!' ? name.substr(1) : name;
}

std::string DotQuoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string GraphListHeading() {
    char line[160];
    std::snprintf(line, sizeof line, "%-36s %8s  %-9s %s\n", "NAME", "PROCESS", "STATE", "FRAMES/S");
    return line;
}

std::string GraphListLine(const std::string& name, long long pid, const JsonValue* stats,
                          const std::string& problem) {
    char line[512];
    if (!stats) {
        std::snprintf(line, sizeof line, "%-36s %8lld  %-9s %s\n", Shown(name).c_str(), pid, "?",
                      problem.c_str());
    } else {
        std::snprintf(line, sizeof line, "%-36s %8lld  %-9s %s\n", Shown(name).c_str(), pid,
                      stats->StringOf("state", "?").c_str(), Fixed(FastestRate(*stats)).c_str());
    }
    return line;
}

std::string GraphText(const JsonValue& describe, const JsonValue& stats) {
    std::string text = Shown(describe.StringOf("name")) + "  (process " + Whole(describe.NumberOf("pid")) +
                       ", " + describe.StringOf("state", "?") + ")\n";
    for (const JsonValue& filter : ItemsOf(describe, "filters")) {
        const std::string name = filter.StringOf("name");
        text += "\n[" + name + "]  class " + filter.StringOf("class_id") + "\n";
        for (const JsonValue& pin : ItemsOf(filter, "pins")) {
            const bool output = pin.StringOf("direction") == "output";
            const std::string pinName = pin.StringOf("name");
            text += "    " + pinName + " (" + pin.StringOf("direction") + ")";
            const JsonValue* peer = pin.Find("connected_to");
            if (!peer || !peer->IsObject()) {
                text += "  not connected\n";
                continue;
            }
            text += std::string(output ? " -> [" : " <- [") + peer->StringOf("filter") + "] " +
                    peer->StringOf("pin") + "\n";
            if (output) {
                text += "        " + TypeText(pin.Find("media_type")) + "\n";
                if (const JsonValue* flow = PinFlow(stats, name, pinName))
                    text += "        " + FlowText(flow) + "\n";
            }
        }
    }
    const std::string counters = CountersText(stats, "    ");
    if (!counters.empty())
        text += "\nCounters\n" + counters;
    return text;
}

std::string GraphDot(const JsonValue& describe, const JsonValue& stats) {
    std::string text = "digraph " + DotQuoted(Shown(describe.StringOf("name"))) + " {\n";
    text += "    rankdir=LR;\n    node [shape=box, fontname=\"Helvetica\"];\n";
    text += "    edge [fontname=\"Helvetica\", fontsize=10];\n";
    for (const JsonValue& filter : ItemsOf(describe, "filters")) {
        const std::string name = filter.StringOf("name");
        text += "    " + DotQuoted(name) + " [label=" + DotQuoted(name + "\n" + filter.StringOf("class_id")) +
                "];\n";
    }
    for (const JsonValue& filter : ItemsOf(describe, "filters")) {
        const std::string name = filter.StringOf("name");
        for (const JsonValue& pin : ItemsOf(filter, "pins")) {
            const JsonValue* peer = pin.Find("connected_to");
            if (pin.StringOf("direction") != "output" || !peer || !peer->IsObject())
                continue;
            std::string label = pin.StringOf("name") + " -> " + peer->StringOf("pin") + "\n" +
                                TypeText(pin.Find("media_type"));
            if (const JsonValue* flow = PinFlow(stats, name, pin.StringOf("name")))
                label += "\n" + Fixed(flow->NumberOf("rate")) + " a second";
            text += "    " + DotQuoted(name) + " -> " + DotQuoted(peer->StringOf("filter")) +
                    " [label=" + DotQuoted(label) + "];\n";
        }
    }
    return text + "}\n";
}

std::string GraphRatesText(const JsonValue& stats) {
    std::string text = Shown(stats.StringOf("name")) + "  (process " + Whole(stats.NumberOf("pid")) + ", " +
                       stats.StringOf("state", "?") + ")\n";
    for (const JsonValue& entry : ItemsOf(stats, "pins")) {
        char line[512];
        std::snprintf(line, sizeof line, "    %-32s %10s a second  %12s samples\n",
                      (entry.StringOf("filter") + "." + entry.StringOf("pin")).c_str(),
                      Fixed(entry.NumberOf("rate")).c_str(), Whole(entry.NumberOf("samples")).c_str());
        text += line;
    }
    return text + CountersText(stats, "    ");
}
