// Pipes and child processes on Linux. A child is started from the same
// command line text as on Windows: the program is found as CreateProcessA
// finds it, and the rest is split into arguments by the rules of the
// Microsoft C runtime (cmdline_split.h), so quoting behaves as on Windows.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cmdline_split.h"
#include "launcher_platform.h"

extern char** environ;

long lastSystemError(void) { return errno; }
void clearSystemError(void) { errno = 0; }
int currentProcessId(void) { return (int)getpid(); }

bool createInheritablePipe(SystemHandle* readEnd, SystemHandle* writeEnd) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    *readEnd = ends[0];
    *writeEnd = ends[1];
    return true;
}

bool makeNotInheritable(SystemHandle handle) { return fcntl((int)handle, F_SETFD, FD_CLOEXEC) == 0; }

bool closeSystemHandle(SystemHandle handle) { return close((int)handle) == 0; }

bool readSystemHandle(SystemHandle handle, char* buffer, size_t capacity, size_t* count) {
    ssize_t n;
    do {
        n = read((int)handle, buffer, capacity);
    } while (n < 0 && errno == EINTR);
    *count = n > 0 ? (size_t)n : 0;
    return n > 0;
}

bool writeSystemHandle(SystemHandle handle, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write((int)handle, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= (size_t)n;
    }
    return true;
}

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

static bool isRegularFile(const char* path) {
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

// The program at the start of `line` as CreateProcessA finds it: a quoted
// name as it stands; an unquoted path that contains blanks tried at each
// blank in turn until a file exists there; else the first word (empty when
// the line begins with a blank). *rest is where the arguments begin.
static char* findProgram(const char* line, const char** rest) {
    if (*line == '"') {
        const char* end = strchr(line + 1, '"');
        const size_t length = end != nullptr ? (size_t)(end - line - 1) : strlen(line + 1);
        *rest = end != nullptr ? end + 1 : line + 1 + length;
        return strndup(line + 1, length);
    }
    size_t firstWord = 0;
    while (line[firstWord] != '\0' && !isBlank(line[firstWord])) ++firstWord;
    if (memchr(line, '/', firstWord) != nullptr) {
        for (size_t end = firstWord; line[end] != '\0'; ++end) {
            if (!isBlank(line[end]) || isBlank(line[end - 1])) continue;  // a blank run begins here
            char* candidate = strndup(line, end);
            if (candidate != nullptr && isRegularFile(candidate)) {
                *rest = line + end;
                return candidate;
            }
            free(candidate);
        }
        char* whole = strdup(line);
        if (whole != nullptr && isRegularFile(whole)) {
            *rest = line + strlen(line);
            return whole;
        }
        free(whole);
    }
    *rest = line + firstWord;
    return strndup(line, firstWord);
}

bool startChildProcess(char* commandLine, SystemHandle output, bool, ChildProcess* child) {
    // A blank in front leaves an empty first word, which names no program.
    const char* line = commandLine;
    const char* rest = nullptr;
    char* program = findProgram(line, &rest);
    int count = 0;
    char** arguments = program != nullptr ? splitArguments(rest, &count) : nullptr;
    char** argv = arguments != nullptr ? (char**)malloc(((size_t)count + 2) * sizeof(char*)) : nullptr;
    int error = ENOMEM;
    if (argv != nullptr) {
        argv[0] = program;
        memcpy(argv + 1, arguments, ((size_t)count + 1) * sizeof(char*));

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, (int)output, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, (int)output, STDERR_FILENO);
        // The launcher ignores SIGPIPE for itself; its children get the default.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

        pid_t pid = 0;
        // A name without a folder is looked for in the current folder first,
        // then along PATH, as CreateProcessA does.
        const bool searchPath = strchr(program, '/') == nullptr && !isRegularFile(program);
        error = searchPath ? posix_spawnp(&pid, program, &actions, &attributes, argv, environ)
                           : posix_spawn(&pid, program, &actions, &attributes, argv, environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (error == 0) child->process = pid;
    }
    free(argv);
    free(arguments);
    free(program);
    errno = error;
    return error == 0;
}

void releaseChildProcess(ChildProcess*) {}

void waitForChildProcess(ChildProcess* child) {
    int status;
    while (waitpid((pid_t)child->process, &status, 0) < 0 && errno == EINTR) {
    }
}
