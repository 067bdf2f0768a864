// The built tarvoUtils library, loaded by full path from the test programs'
// folder as the Java runtime loads it, and its exports looked up by name.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "test_support.h"

namespace tarvo_test {

class ProductLibrary {
public:
    ProductLibrary() {
#ifdef _WIN32
        module_ = LoadLibraryA((programDirectory() / "tarvoUtils.dll").string().c_str());
#else
        module_ = dlopen((programDirectory() / "libtarvoUtils.so").c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    }
    bool loaded() const { return module_ != nullptr; }
    template <typename Function>
    Function find(const char* name) {
#ifdef _WIN32
        return module_ != nullptr ? (Function)(void*)GetProcAddress((HMODULE)module_, name) : nullptr;
#else
        return module_ != nullptr ? (Function)dlsym(module_, name) : nullptr;
#endif
    }

private:
    void* module_ = nullptr;
};

}  // namespace tarvo_test
