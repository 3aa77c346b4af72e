// Modules as shared objects through the host's loader, searched for as Windows searches.
//
// Two system modules are built in: "d3d8.dll" and "dpnhpast.dll" load without code, so that a
// DirectX check passes on the host; WINEDLLOVERRIDES disables any module the way Wine's
// does ("d3d8=d", "d3d8,dpnhpast=", several entries separated by ';').
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/HostPath.h"

namespace {

struct Module {
    std::string file;         // the bare file name, which GetModuleHandleA matches
    void* library = nullptr;  // the loader's handle; null for a built-in system module
    int references = 1;
};

struct Modules {
    std::recursive_mutex lock;  // a module's constructors may load further modules
    std::list<Module> loaded;
    Module program{"", ::dlopen(nullptr, RTLD_NOW), 1};
};

Modules& modules() {
    static Modules all;
    return all;
}

const char* const builtInModules[] = {"d3d8.dll", "dpnhpast.dll"};

HMODULE HandleOf(Module& module) { return reinterpret_cast<HMODULE>(&module); }

Module* ModuleOf(HMODULE handle) {
    if (!handle || handle == HandleOf(modules().program)) return &modules().program;
    for (Module& module : modules().loaded)
        if (HandleOf(module) == handle) return &module;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::size_t LeafStart(const std::string& name) {
    std::size_t leaf = name.size() >= 2 && name[1] == ':' ? 2 : 0;
    for (std::size_t i = leaf; i < name.size(); i += posix::CharacterSize(name.c_str() + i))
        if (IsSeparator(name[i])) leaf = i + 1;
    return leaf;
}

// As on Windows: a file name without an extension gets ".dll"; a final '.' means none.
std::string WithDefaultExtension(const std::string& name) {
    std::string leaf = name.substr(LeafStart(name));
    if (!leaf.empty() && leaf.back() == '.') return name.substr(0, name.size() - 1);
    return leaf.find('.') == std::string::npos ? name + ".dll" : name;
}

bool SameModuleName(const std::string& first, const std::string& second) {
    auto stem = [](std::string name) {
        name = posix::FoldCase(name);
        std::size_t size = name.size();
        return size > 4 && name.compare(size - 4, 4, ".DLL") == 0 ? name.substr(0, size - 4) : name;
    };
    return stem(first) == stem(second);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

// Wine's syntax: entries "names=mode" separated by ';', names separated by ','; the mode
// "d" or an empty one disables. The last entry that names the module decides.
bool IsDisabled(const std::string& file) {
    const char* overrides = std::getenv("WINEDLLOVERRIDES");
    if (!overrides) return false;
    bool disabled = false;
    for (const std::string& entry : Split(overrides, ';')) {
        std::vector<std::string> names;
        for (const std::string& token : Split(entry, ',')) {
            std::size_t equals = token.find('=');
            names.push_back(token.substr(0, equals));
            if (equals == std::string::npos) continue;
            std::string mode = token.substr(equals + 1);
            for (const std::string& name : names)
                if (SameModuleName(name, file)) disabled = mode.empty() || mode == "d";
            names.clear();
        }
    }
    return disabled;
}

Module* FindLoaded(const std::string& file) {
    for (Module& module : modules().loaded)
        if (SameModuleName(module.file, file)) return &module;
    return nullptr;
}

Module* Add(const std::string& file, void* library) {
    for (Module& module : modules().loaded) {
        if (library && module.library == library) {
            ::dlclose(library);  // the loader counted this load; our own count holds the module
            ++module.references;
            return &module;
        }
    }
    modules().loaded.push_back(Module{file, library, 1});
    return &modules().loaded.back();
}

Module* Open(const std::string& hostPath, const std::string& file) {
    // A path with no '/' would send the loader through its own search.
    std::string path = hostPath.find('/') == std::string::npos ? "./" + hostPath : hostPath;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return Add(file, library);
}

std::string ProgramDirectory() {
    char path[4096];
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string program(path, static_cast<std::size_t>(length));
    std::size_t slash = program.rfind('/');
    return slash == 0 ? "/" : program.substr(0, slash);
}

// The host path of the file in a directory, its name matched without regard to case.
bool FindIn(const std::string& directory, const std::string& file, std::string& hostPath) {
    std::string entry = posix::FindEntry(directory, file);
    hostPath = directory + "/" + entry;
    return !entry.empty();
}

// A bare name: the program's directory, the built-in system modules, the current
// directory, then each directory of PATH.
Module* Search(const std::string& file) {
    std::string hostPath;
    if (FindIn(ProgramDirectory(), file, hostPath)) return Open(hostPath, file);
    for (const char* builtIn : builtInModules)
        if (SameModuleName(builtIn, file)) return Add(builtIn, nullptr);
    const char* path = std::getenv("PATH");
    std::vector<std::string> directories = Split(path ? path : "", ':');
    directories.insert(directories.begin(), ".");
    for (const std::string& directory : directories)
        if (!directory.empty() && FindIn(directory, file, hostPath)) return Open(hostPath, file);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

Module* Load(const char* name) {
    if (!name || !*name) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::string path = WithDefaultExtension(name);
    std::size_t leaf = LeafStart(path);
    std::string file = path.substr(leaf);
    if (IsDisabled(file)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (leaf > 0) {
        posix::HostPath mapped;
        if (!posix::MapPath(path.c_str(), posix::Target::Existing, mapped) || S_ISDIR(mapped.status.st_mode)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        return Open(mapped.path, file);
    }
    if (Module* loaded = FindLoaded(file)) {
        ++loaded->references;
        return loaded;
    }
    return Search(file);
}

bool IsIdentifier(const char* name) {
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!letter(*name)) return false;
    for (; *name; ++name)
        if (!letter(*name) && !(*name >= '0' && *name <= '9')) return false;
    return true;
}

std::string ExportAlias(const char* name) {
    std::string alias = "oc_alias_";
    for (; *name; ++name) {
        unsigned char c = static_cast<unsigned char>(*name);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            alias += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "_%02X", c);
            alias += escaped;
        }
    }
    return alias;
}

// A symbol of the module itself: the loader would also find those of the modules it uses.
void* OwnSymbol(void* library, const std::string& name) {
    void* symbol = ::dlsym(library, name.c_str());
    if (!symbol) return nullptr;
    link_map* own = nullptr;
    link_map* holder = nullptr;
    Dl_info information;
    if (::dlinfo(library, RTLD_DI_LINKMAP, &own) != 0 ||
        !::dladdr1(symbol, &information, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP))
        return nullptr;
    return holder == own ? symbol : nullptr;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR name) {
    std::lock_guard<std::recursive_mutex> guard(modules().lock);
    Module* module = Load(name);
    return module ? HandleOf(*module) : nullptr;
}

HMODULE LoadLibraryExA(LPCSTR name, HANDLE file, DWORD flags) {
    if (file || flags) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return LoadLibraryA(name);
}

HMODULE GetModuleHandleA(LPCSTR name) {
    std::lock_guard<std::recursive_mutex> guard(modules().lock);
    if (!name) return HandleOf(modules().program);
    std::string path = WithDefaultExtension(name);
    Module* module = FindLoaded(path.substr(LeafStart(path)));
    if (!module) SetLastError(ERROR_MOD_NOT_FOUND);
    return module ? HandleOf(*module) : nullptr;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR name) {
    std::lock_guard<std::recursive_mutex> guard(modules().lock);
    Module* module = ModuleOf(handle);
    if (!module) return nullptr;
    // Ordinals (values below 0x10000) are not exported by host modules.
    bool ordinal = reinterpret_cast<std::uintptr_t>(name) < 0x10000;
    void* symbol = nullptr;
    if (!ordinal && module->library) {
        symbol = OwnSymbol(module->library, name);
        if (!symbol && !IsIdentifier(name)) symbol = OwnSymbol(module->library, ExportAlias(name));
    }
    if (!symbol) SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE handle) {
    std::lock_guard<std::recursive_mutex> guard(modules().lock);
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    Module* module = ModuleOf(handle);
    if (!module) return FALSE;
    if (module == &modules().program || --module->references > 0) return TRUE;
    if (module->library) ::dlclose(module->library);
    modules().loaded.remove_if([module](const Module& each) { return &each == module; });
    return TRUE;
}
