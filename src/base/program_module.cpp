#include "base/program_module.h"

#include "base/file_access.h"

#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace tarvix {

namespace {

std::string ExecutableFolder()
{
    const std::string executable = ExecutableFile();
    const size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "." : executable.substr(0, slash);
}

} // namespace

std::string ProgramModulePath(const char* fileName)
{
    const std::string folder = ExecutableFolder();
    const std::string beside = folder + '/' + fileName;
    const std::string installed = folder + "/../" TARVIX_INSTALLED_MODULE_FOLDER "/" + fileName;
    if (::access(beside.c_str(), F_OK) != 0 && ::access(installed.c_str(), F_OK) == 0)
        return installed;
    return beside;
}

int RunProgramModule(
    const char* fileName, const char* symbol, int argc, char** argv, const char* what, int failureStatus)
{
    // Each part carries what it needs and shows nothing but its entry, so none of its names
    // can meet a plugin's. Kept until the process ends, because Qt's own clean-up at exit
    // runs code in it.
    void* module = ::dlopen(ProgramModulePath(fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entry = module ? ::dlsym(module, symbol) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "tarvix: %s cannot be loaded: %s\n", what, ::dlerror());
        return failureStatus;
    }
    using Entry = int (*)(int, char**);
    return reinterpret_cast<Entry>(entry)(argc, argv);
}

} // namespace tarvix
