// Stream capture: both standard streams redirected into one temporary file
// for the length of a call, and the console sink pointed at the same file.
#include "capture.h"

#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include "console_output.h"

namespace tarvo_check {

// The C runtime's descriptor calls under their names on each platform.
#ifdef _WIN32
static int duplicate(int fd) { return _dup(fd); }
static int duplicateTo(int fd, int to) { return _dup2(fd, to); }
static void closeDescriptor(int fd) { _close(fd); }
static int processId() { return _getpid(); }
#else
static int duplicate(int fd) { return dup(fd); }
static int duplicateTo(int fd, int to) { return dup2(fd, to); }
static void closeDescriptor(int fd) { close(fd); }
static int processId() { return (int)getpid(); }
#endif

static int toStandardError(FILE* /*stream*/, const char* text) {
    // The console's lines go to the redirected standard error in the order
    // they come, each with the line end the console adds.
    fprintf(stderr, "%s\n", text);
    return 0;
}

std::string captured(const std::function<void()>& call) {
    static int calls = 0;
    std::error_code error;
    const std::filesystem::path path = std::filesystem::temp_directory_path(error) /
                                       ("tarvocheck-" + std::to_string(processId()) + "-" + std::to_string(++calls));
    FILE* file = error ? nullptr : fopen(path.string().c_str(), "wb");
    const int savedOut = file != nullptr ? duplicate(1) : -1;
    const int savedErr = file != nullptr ? duplicate(2) : -1;
    if (savedOut < 0 || savedErr < 0) {
        if (savedOut >= 0) closeDescriptor(savedOut);
        if (savedErr >= 0) closeDescriptor(savedErr);
        if (file != nullptr) fclose(file);
        call();
        return "";
    }
    fflush(stdout);
    fflush(stderr);
    duplicateTo(fileno(file), 1);
    duplicateTo(fileno(file), 2);
    setConsoleSink(toStandardError);
    call();
    fflush(stdout);
    fflush(stderr);
    setConsoleSink(nullptr);
    duplicateTo(savedOut, 1);
    duplicateTo(savedErr, 2);
    closeDescriptor(savedOut);
    closeDescriptor(savedErr);
    fclose(file);
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    std::filesystem::remove(path, error);
    std::string said = text.str();
    // Windows writes text-mode line ends; the report has its own.
    for (size_t at; (at = said.find("\r\n")) != std::string::npos;) said.erase(at, 1);
    while (!said.empty() && said.back() == '\n') said.pop_back();
    return said;
}

}  // namespace tarvo_check
