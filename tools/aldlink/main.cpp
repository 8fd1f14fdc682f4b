// Stand-in for the host editor's ALD linker: `aldlink DIRECTIVE` reads the five-line directive
// file (#NL, list path, PMS folder, ALD file, AUTO), the list it names ("1,NAME.pms" per line) and
// packs the listed files into the ALD file, in a format of its own that says so in its first line.
#include <dirent.h>
#include <strings.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/ToolFiles.h"

namespace {

struct Directive {
    std::string listPath;
    std::string pmsFolder;
    std::string aldPath;
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool parseDirective(const std::string& text, Directive& d, std::string& error) {
    std::vector<std::string> lines = splitLines(text);
    if (lines.size() != 5) {
        error = "the directive file must have exactly 5 lines, it has " + std::to_string(lines.size());
        return false;
    }
    if (lines[0] != "#NL" || lines[4] != "AUTO") {
        error = "the directive file must start with #NL and end with AUTO";
        return false;
    }
    d = {lines[1], lines[2], lines[3]};
    if (d.listPath.empty() || d.pmsFolder.empty() || d.aldPath.empty()) {
        error = "the directive file has an empty path";
        return false;
    }
    if (d.pmsFolder.back() != '/') d.pmsFolder += '/';
    return true;
}

// The list's name is matched without regard to case when the exact spelling is absent, as the
// host editor's own platform does.
std::string findListFile(const std::string& path) {
    if (access(path.c_str(), F_OK) == 0) return path;
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string found = path;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir)) {
            if (strcasecmp(e->d_name, name.c_str()) == 0) {
                found = (slash == std::string::npos ? "" : folder) + e->d_name;
                break;
            }
        }
        closedir(dir);
    }
    return found;
}

bool safeName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

bool entryName(const std::string& line, size_t number, std::string& name, std::string& error) {
    size_t comma = line.find(',');
    std::string prefix = "list line " + std::to_string(number) + ": ";
    if (comma == std::string::npos || comma == 0 || line.find_first_not_of("0123456789") != comma) {
        error = prefix + "expected NUMBER,NAME";
        return false;
    }
    name = line.substr(comma + 1);
    if (!safeName(name)) {
        error = prefix + "unusable file name \"" + name + "\"";
        return false;
    }
    return true;
}

bool buildArchive(const Directive& d, std::string& out, std::string& error) {
    auto list = obri::tools::readWholeFile(findListFile(d.listPath), error);
    if (!list) return false;
    std::vector<std::string> lines = splitLines(*list);
    out = "OBRI-ALD-STANDIN 1\nentries " + std::to_string(lines.size()) + "\n";
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (!entryName(lines[i], i + 1, name, error)) return false;
        auto bytes = obri::tools::readWholeFile(d.pmsFolder + name, error);
        if (!bytes) return false;
        out += std::to_string(i + 1) + " " + name + " " + std::to_string(bytes->size()) + "\n";
        out += *bytes;
        out += "\n";
    }
    return true;
}

int failWith(const std::string& message) {
    std::fprintf(stderr, "aldlink: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return failWith("usage: aldlink DIRECTIVE (exactly one argument)");
    std::string error;
    auto text = obri::tools::readWholeFile(argv[1], error);
    if (!text) return failWith(error);
    Directive directive;
    if (!parseDirective(*text, directive, error)) return failWith(std::string(argv[1]) + ": " + error);
    std::string archive;
    if (!buildArchive(directive, archive, error)) return failWith(error);
    if (!obri::tools::writeFileAtomically(directive.aldPath, archive, error)) return failWith(error);
    return 0;
}
