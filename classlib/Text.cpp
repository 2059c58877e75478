#include "classlib/Text.h"

namespace classlib {

std::string UpperCaseAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && UpperCaseAscii(std::string(a)) == UpperCaseAscii(std::string(b));
}

std::string IncludeTrailingBackslash(std::string path)
{
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

std::string TrimSystemMessage(std::string text)
{
    while (!text.empty()) {
        const unsigned char last = static_cast<unsigned char>(text.back());
        if (last > ' ' && last != '.') break;
        text.pop_back();
    }
    return text;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> params;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    auto isSeparator = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (true) {
        while (i < n && isSeparator(commandLine[i])) ++i;
        if (i >= n) break;
        std::string param;
        while (i < n && !isSeparator(commandLine[i])) {
            if (commandLine[i] == '"') {
                ++i;
                while (i < n && commandLine[i] != '"') param += commandLine[i++];
                if (i < n) ++i;  // the closing quote
            } else {
                param += commandLine[i++];
            }
        }
        params.push_back(std::move(param));
    }
    return params;
}

std::string ExtractFilePath(const std::string& path)
{
    const auto pos = path.find_last_of("\\:");
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path)
{
    const auto pos = path.find_last_of("\\:");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string WithCrLf(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result += '\r';
        result += text[i];
    }
    return result;
}

} // namespace classlib
