#include "platform/Diagnostics.h"

#include <clocale>
#include <cstring>
#include <string>

#include <unistd.h>

namespace obri {

namespace {

// The C locale's %x and %X give 02/27/01 and 13:57:30; the program has always shown the year first.
bool isPlainLocale() {
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (!name) return true;
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
}

// strftime's format stays a literal at each call, so the compiler checks it.
template <typename Format>
std::string formatTime(std::time_t when, Format format) {
    std::tm parts{};
    if (!::localtime_r(&when, &parts)) return {};
    char buffer[128];
    std::size_t n = format(buffer, sizeof buffer, parts);
    return std::string(buffer, n);
}

}  // namespace

void debugOutput(std::string_view line) {
    std::string text(line);
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    text += '\n';
    // One write, so that lines of several processes do not interleave.
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// The locale's own short date is wanted, two-digit year or not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-y2k"
std::string localDateText(std::time_t when) {
    return formatTime(when, [](char* out, std::size_t size, const std::tm& parts) {
        return isPlainLocale() ? std::strftime(out, size, "%Y/%m/%d", &parts)
                               : std::strftime(out, size, "%x", &parts);
    });
}
#pragma GCC diagnostic pop

std::string localTimeText(std::time_t when) {
    return formatTime(when, [](char* out, std::size_t size, const std::tm& parts) {
        return isPlainLocale() ? std::strftime(out, size, "%H:%M:%S", &parts)
                               : std::strftime(out, size, "%X", &parts);
    });
}

}  // namespace obri
