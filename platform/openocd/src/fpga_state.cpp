#include "fpga_state.h"

#include <sstream>

namespace {

std::string escape(const std::string &value)
{
    std::string out;
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string &value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
            out += value[i] == 'n' ? '\n' : value[i];
        } else {
            out += value[i];
        }
    }
    return out;
}

}  // namespace

std::string formatFpgaState(const FpgaState &state)
{
    std::string text;
    for (const auto &[key, value] : state)
        text += key + "=" + escape(value) + "\n";
    return text;
}

FpgaState parseFpgaState(const std::string &text)
{
    FpgaState state;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        state.emplace_back(line.substr(0, eq), unescape(line.substr(eq + 1)));
    }
    return state;
}

std::string fpgaStateValue(const FpgaState &state, const std::string &key)
{
    for (const auto &[k, v] : state) {
        if (k == key)
            return v;
    }
    return {};
}
