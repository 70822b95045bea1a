#include "demo_options.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace demo {
namespace {

void AddOptions(Options& options, const std::string& list) {
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::string item = list.substr(start, end - start);
        if (!item.empty()) {
            std::size_t equals = item.find('=');
            if (equals == std::string::npos)
                options.values[item] = "";
            else
                options.values[item.substr(0, equals)] = item.substr(equals + 1);
        }
        start = end + 1;
    }
}

}  // namespace

std::string Options::Text(const std::string& name, const std::string& fallback) const {
    auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

long Options::Number(const std::string& name, long fallback) const {
    auto found = values.find(name);
    if (found == values.end() || found->second.empty()) return fallback;
    return std::strtol(found->second.c_str(), nullptr, 10);
}

Options ReadOptions(const std::vector<std::string>& arguments) {
    Options options;
    if (const char* environment = std::getenv("KELVO_DEMO_OPTIONS")) AddOptions(options, environment);
    for (const auto& argument : arguments)
        if (argument.rfind("-demo=", 0) == 0) AddOptions(options, argument.substr(6));
    return options;
}

void PrintLine(const std::string& line) { PrintRaw(line + "\n"); }

std::filesystem::path PathFromUtf8(const std::string& text) { return std::u8string(text.begin(), text.end()); }

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void PrintRaw(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

void Pause(long milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string ArgumentValue(const std::vector<std::string>& arguments, const std::string& name) {
    const std::string prefix = name + "=";
    for (const auto& argument : arguments)
        if (argument.rfind(prefix, 0) == 0) return argument.substr(prefix.size());
    return {};
}

std::string RestOfLine(const std::vector<std::string>& arguments, const std::string& prefix) {
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        if (arguments[at].rfind(prefix, 0) != 0) continue;
        std::string rest = arguments[at].substr(prefix.size());
        for (std::size_t next = at + 1; next < arguments.size(); ++next) rest += " " + arguments[next];
        return rest;
    }
    return {};
}

}  // namespace demo
