// Libraries loaded by name. A system library ("user32.dll") is served from
// the machine's own exports; any other "name.dll" is looked for as the
// shared library "libname.so" the way Windows looks for a DLL: beside the
// program first, then in the current directory, then on the library path.
#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "handles.h"
#include "modules.h"
#include "oal/files.h"
#include "oal/library.h"

namespace sim {

struct Resource {
  std::string module_path;
  std::string type;
  std::string name;
  const void* data;
  size_t size;
};

class Module : public Object {
 public:
  std::string name;         // lower-case system name, or empty
  std::string path;         // host file of the module
  void* dl = nullptr;       // dlopen handle of a loaded library
  bool unowned = false;      // not from LoadLibraryA (the program, a module found by address): FreeLibrary refuses it
};

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::map<std::string, std::map<std::string, FARPROC>>& system_exports() {
  static std::map<std::string, std::map<std::string, FARPROC>> exports = {
      {"kernel32.dll", {}}, {"user32.dll", {}}, {"gdi32.dll", {}}, {"advapi32.dll", {}}};
  return exports;
}

std::vector<Resource>& resources() {
  static std::vector<Resource> list;
  return list;
}

std::string resource_key(const char* id) {
  if (IS_INTRESOURCE(id)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id));
  return lower(id);
}

std::string canonical(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) ? std::string(buf) : path;
}

std::string program_path() { return canonical("/proc/self/exe"); }

const void* program_base() {
  static const void* base = [] {
    const void* found = nullptr;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
          // The first object listed is the program itself.
          *static_cast<const void**>(out) = reinterpret_cast<const void*>(info->dlpi_addr);
          return 1;
        },
        &found);
    return found;
  }();
  return base;
}

bool exists(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

std::vector<std::pair<std::string, ImageRecogniser>>& image_modules() {
  static std::vector<std::pair<std::string, ImageRecogniser>> list;
  return list;
}

// The module whose image the file at `host` holds, or empty. Images are
// small; a large file is no image the machine knows.
std::string recognised_image(const std::string& host) {
  if (image_modules().empty()) return "";
  FILE* f = std::fopen(host.c_str(), "rb");
  if (!f) return "";
  std::vector<char> data(1 << 16);
  size_t n = std::fread(data.data(), 1, data.size(), f);
  bool whole = std::fgetc(f) == EOF;
  std::fclose(f);
  if (!whole) return "";
  for (auto& [module, recognise] : image_modules())
    if (recognise(data.data(), n)) return module;
  return "";
}

}  // namespace

void register_system_export(const char* module, const char* entry, FARPROC address) {
  system_exports()[lower(module)][entry] = address;
}

void register_resource(const void* anchor, const char* type, const char* name, const void* data,
                       size_t size) {
  Dl_info info{};
  std::string path;
  if (dladdr(anchor, &info)) {
    // dladdr names the main program by the name it was started with, so the
    // program is recognised by its load address instead.
    if (info.dli_fbase == program_base())
      path = program_path();
    else if (info.dli_fname)
      path = canonical(info.dli_fname);
  }
  resources().push_back({path, resource_key(type), resource_key(name), data, size});
}

void register_image_module(const char* module, ImageRecogniser recognise) {
  image_modules().emplace_back(lower(module), recognise);
  system_exports()[lower(module)];
}

std::string shared_library_file(const std::string& dll_name) {
  std::string base = dll_name;
  size_t slash = base.find_last_of("\\/");
  if (slash != std::string::npos) base = base.substr(slash + 1);
  std::string l = lower(base);
  if (l.size() > 4 && l.compare(l.size() - 4, 4, ".dll") == 0) base.resize(base.size() - 4);
  return "lib" + base + ".so";
}

}  // namespace sim

namespace oal {

HMODULE LoadLibraryA(LPCSTR name) {
  auto& m = sim::Machine::get();
  if (!name || !*name) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string key = sim::lower(name);
  std::string denied = sim::lower(m.fault_value("load_library"));
  if (!denied.empty() && ("," + denied + ",").find("," + key + ",") != std::string::npos) {
    sim::set_last_error(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto module = std::make_unique<sim::Module>();
  if (sim::system_exports().count(key)) {
    module->name = key;
    return sim::make_handle(std::move(module));
  }
  std::string file = sim::shared_library_file(name);
  std::string program = sim::program_path();
  std::vector<std::string> candidates;
  if (std::strchr(name, '\\') || std::strchr(name, '/')) {
    std::string dir = m.host_path(name);
    std::string image = sim::recognised_image(dir);
    if (!image.empty()) {
      module->name = image;
      module->path = sim::canonical(dir);
      return sim::make_handle(std::move(module));
    }
    candidates.push_back(dir.substr(0, dir.find_last_of('/') + 1) + file);
  } else {
    candidates.push_back(program.substr(0, program.find_last_of('/') + 1) + file);
    candidates.push_back("./" + file);
  }
  void* dl = nullptr;
  for (auto& c : candidates) {
    if (sim::exists(c) && (dl = dlopen(c.c_str(), RTLD_NOW | RTLD_LOCAL))) {
      module->path = sim::canonical(c);
      break;
    }
  }
  if (!dl && !(std::strchr(name, '\\') || std::strchr(name, '/'))) {
    dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (dl) {
      Dl_info info{};
      void* any = dlsym(dl, "_init");
      if (any && dladdr(any, &info) && info.dli_fname) module->path = sim::canonical(info.dli_fname);
    }
  }
  if (!dl) {
    sim::set_last_error(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  module->dl = dl;
  return sim::make_handle(std::move(module));
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  auto* mod = sim::lookup<sim::Module>(module);
  if (!mod || !name) {
    sim::set_last_error(mod ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!mod->name.empty()) {
    auto& exports = sim::system_exports()[mod->name];
    auto it = exports.find(name);
    if (it != exports.end()) return it->second;
  } else if (mod->dl) {
    if (void* p = dlsym(mod->dl, name)) return reinterpret_cast<FARPROC>(p);
  }
  sim::set_last_error(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
  auto* mod = sim::lookup<sim::Module>(module);
  if (!mod || mod->unowned) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (mod->dl) dlclose(mod->dl);
  sim::close_handle(module);
  return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name) {
  static HMODULE own = nullptr;
  if (name) {
    sim::set_last_error(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (!own) {
    auto module = std::make_unique<sim::Module>();
    module->path = sim::program_path();
    module->unowned = true;
    own = sim::make_handle(std::move(module));
  }
  return own;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module) {
  if (!module) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  if (!(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) {
    if (!name) return (*module = GetModuleHandleA(nullptr)) != nullptr;
    sim::set_last_error(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  Dl_info info{};
  if (!name || !dladdr(name, &info)) {
    sim::set_last_error(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (info.dli_fbase == sim::program_base()) return (*module = GetModuleHandleA(nullptr)) != nullptr;
  // Handles of one shared library, one per path, kept for the process like
  // the loader's own (the reference count is left alone).
  static std::map<std::string, HMODULE> libraries;
  std::string path = info.dli_fname ? sim::canonical(info.dli_fname) : "";
  HMODULE& handle = libraries[path];
  if (!handle) {
    auto mod = std::make_unique<sim::Module>();
    mod->path = path;
    mod->unowned = true;
    handle = sim::make_handle(std::move(mod));
  }
  *module = handle;
  return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size) {
  std::string path;
  if (!module) {
    path = sim::program_path();
  } else if (auto* mod = sim::lookup<sim::Module>(module)) {
    path = mod->path;
  } else {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!name || size == 0) {
    sim::set_last_error(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // As the Windows XP loader does: a path that does not fit fills the
  // buffer without a terminator.
  if (path.size() >= size) {
    std::memcpy(name, path.data(), size);
    sim::set_last_error(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(name, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  auto* mod = sim::lookup<sim::Module>(module ? module : GetModuleHandleA(nullptr));
  if (!mod || !name || !type) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  bool type_seen = false;
  for (auto& r : sim::resources()) {
    if (r.module_path != mod->path) continue;
    if (r.type != sim::resource_key(type)) continue;
    type_seen = true;
    if (r.name == sim::resource_key(name)) return const_cast<sim::Resource*>(&r);
  }
  sim::set_last_error(type_seen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (!resource) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<void*>(static_cast<sim::Resource*>(resource)->data);
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (!resource) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(static_cast<sim::Resource*>(resource)->size);
}

}  // namespace oal
