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
#define dup _dup
#define dup2 _dup2
#define close _close
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "console_output.h"

namespace tarvo_check {

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
                                       ("tarvocheck-" + std::to_string(getpid()) + "-" + std::to_string(++calls));
    FILE* file = error ? nullptr : fopen(path.string().c_str(), "wb");
    const int savedOut = file != nullptr ? dup(1) : -1;
    const int savedErr = file != nullptr ? dup(2) : -1;
    if (savedOut < 0 || savedErr < 0) {
        if (savedOut >= 0) close(savedOut);
        if (savedErr >= 0) close(savedErr);
        if (file != nullptr) fclose(file);
        call();
        return "";
    }
    fflush(stdout);
    fflush(stderr);
    dup2(fileno(file), 1);
    dup2(fileno(file), 2);
    setConsoleSink(toStandardError);
    call();
    fflush(stdout);
    fflush(stderr);
    setConsoleSink(nullptr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
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
