#pragma once
// Test-only libraries record what happens to them: one line "<library file> <event>" appended to
// the file named by $KORVANE_TEST_PLUGIN_LOG, including their loading and unloading.
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* OwnFileName() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&OwnFileName), &info) || !info.dli_fname) return "?";
    const char* slash = std::strrchr(info.dli_fname, '/');
    return slash ? slash + 1 : info.dli_fname;
}

__attribute__((format(printf, 1, 2))) void Record(const char* format, ...) {
    const char* logPath = std::getenv("KORVANE_TEST_PLUGIN_LOG");
    if (!logPath) return;
    FILE* log = std::fopen(logPath, "a");
    if (!log) return;
    std::fprintf(log, "%s ", OwnFileName());
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(log, format, arguments);
    va_end(arguments);
    std::fputc('\n', log);
    std::fclose(log);
}

__attribute__((constructor)) void RecordLoad() { Record("load"); }
__attribute__((destructor)) void RecordUnload() { Record("unload"); }

}  // namespace
