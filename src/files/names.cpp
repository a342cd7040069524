#include "names.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <string_view>

#include "../platform/platform.h"

namespace quorvel {

namespace {

// Digits as a descriptor folder reads them: "03" and "3x" name nothing
// there, nor does a number past the largest descriptor.
int descriptor_number(std::string_view digits) {
    if (digits.empty() || digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return -1;
    long long number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number <= INT_MAX ? static_cast<int>(number) : -1;
}

// The names that are descriptors wherever the program runs, spelled as they
// are commonly spelled.
int spelled_descriptor(const std::string& name) {
    if (name == "/dev/stdin") return platform::STANDARD_INPUT;
    if (name == "/dev/stdout") return platform::STANDARD_OUTPUT;
    if (name == "/dev/stderr") return platform::STANDARD_ERROR;
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"})
        if (name.rfind(folder, 0) == 0) return descriptor_number(name.substr(folder.size()));
    return -1;
}

#ifndef _WIN32

std::deque<std::string> components(const std::string& path) {
    std::deque<std::string> parts;
    std::size_t from = 0;
    for (std::size_t slash; (slash = path.find('/', from)) != std::string::npos; from = slash + 1)
        parts.push_back(path.substr(from, slash - from));
    parts.push_back(path.substr(from));
    return parts;
}

// /proc/self and /proc/thread-self are links to these; `pid` is the
// program's own, as /proc names it.
bool is_descriptor_folder(const std::string& path, const std::string& pid) {
    return path == "/dev/fd" || path == "/proc/" + pid + "/fd" ||
           path == "/proc/" + pid + "/task/" + pid + "/fd";
}

// The path walked as the kernel walks it, each link followed where it
// stands (at most 40, as Linux allows), up to a descriptor folder of this
// process; the component after that folder is the descriptor if it is the
// last, and a path that goes on goes through the descriptor's own link. A
// name that reaches no such folder is a file by its name.
int reached_descriptor(const std::string& name) {
    std::string walked = name[0] == '/' ? "" : platform::current_folder();
    if (name[0] != '/' && walked.empty()) return -1;
    const std::string pid = platform::own_process_number();
    std::deque<std::string> rest = components(name);
    for (int links = 0; !rest.empty();) {
        const std::string part = rest.front();
        rest.pop_front();
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            walked.erase(std::min(walked.size(), walked.rfind('/')));
            continue;
        }
        const std::string path = walked + "/" + part;
        if (is_descriptor_folder(path, pid)) {
            while (!rest.empty() && (rest.front().empty() || rest.front() == ".")) rest.pop_front();
            if (rest.size() == 1 && rest.front() != "..") return descriptor_number(rest.front());
        }
        std::string target;
        switch (platform::look_at_link(path, target)) {
            case 0:
                walked = path;
                break;
            case 1: {
                if (++links > 40 || target.empty()) return -1;
                if (target[0] == '/') walked.clear();
                std::deque<std::string> more = components(target);
                rest.insert(rest.begin(), more.begin(), more.end());
                break;
            }
            default:
                return -1;
        }
    }
    return -1;
}

#endif

}  // namespace

int descriptor_named(const std::string& name, int dash) {
    if (name == "-") return dash;
    if (name.empty()) return -1;
    if (const int fd = spelled_descriptor(name); fd >= 0) return fd;
#ifdef _WIN32
    return -1;
#else
    return reached_descriptor(name);
#endif
}

}  // namespace quorvel
