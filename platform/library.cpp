#include "platform/library.h"

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>

#include <map>
#include <mutex>

#include "platform/paths.h"

namespace plat {
namespace {

struct Loaded {
  std::string path;
  int refs = 0;
};

std::mutex g_mutex;
std::map<void*, Loaded> g_modules;

thread_local DWORD t_lastError = ERROR_SUCCESS;
thread_local std::string t_detail;

void Fail(DWORD code, std::string detail) {
  t_lastError = code;
  t_detail = std::move(detail);
}

std::string RealPath(const std::string& p) {
  char buf[PATH_MAX];
  return ::realpath(p.c_str(), buf) ? std::string(buf) : std::string();
}

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && EqualNoCaseAscii(s.substr(s.size() - tail.size()), tail);
}

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) {
  t_lastError = code;
  t_detail.clear();
}

std::string FormatErrorText(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return "操作成功完成。";
    case ERROR_ACCESS_DENIED: return "拒绝访问。";
    case ERROR_INVALID_HANDLE: return "句柄无效。";
    case ERROR_MOD_NOT_FOUND: return "找不到指定的模块。";
    case ERROR_PROC_NOT_FOUND: return "找不到指定的程序。";
    case ERROR_BAD_EXE_FORMAT: return "不是有效的库文件。";
    default: return "错误 " + std::to_string(code) + "。";
  }
}

std::string GetLastErrorText() { return FormatErrorText(t_lastError); }

std::string GetLastErrorDetail() {
  std::string s = GetLastErrorText();
  if (!t_detail.empty()) s += " (" + t_detail + ")";
  return s;
}

std::string LibraryFileName(std::string_view name) {
  std::string mapped = MapWindowsPath(name);
  std::size_t slash = mapped.rfind('/');
  std::string base = slash == std::string::npos ? mapped : mapped.substr(slash + 1);
  if (base.size() > 5 && base.compare(0, 3, "lib") == 0 && base.compare(base.size() - 3, 3, ".so") == 0)
    return base;
  if (EndsWithNoCase(base, ".dll")) base.resize(base.size() - 4);
  return "lib" + base + ".so";
}

HMODULE LoadLibrary(std::string_view name) {
  std::string mapped = MapWindowsPath(name);
  std::size_t slash = mapped.rfind('/');
  std::string folder = GetProgramFolder();
  if (slash != std::string::npos) {
    std::string given = RealPath(slash == 0 ? std::string("/") : mapped.substr(0, slash));
    if (given.empty() || given + "/" != RealPath(folder) + "/") {
      Fail(ERROR_ACCESS_DENIED, "not the program folder: " + mapped.substr(0, slash + 1));
      return nullptr;
    }
  }
  std::string file = LibraryFileName(name);
  if (file == "lib.so") {
    Fail(ERROR_MOD_NOT_FOUND, "no library name");
    return nullptr;
  }
  // Exact name first, else the stem in any letter case (compared, never used as a pattern).
  std::string found;
  for (const auto& c : ListFolderNoCase(folder, "*")) {
    if (c == file) {
      found = c;
      break;
    }
    if (found.empty() && EqualNoCaseAscii(c, file) && c.compare(0, 3, "lib") == 0 &&
        c.compare(c.size() - 3, 3, ".so") == 0)
      found = c;
  }
  if (found.empty()) {
    Fail(ERROR_MOD_NOT_FOUND, folder + file);
    return nullptr;
  }
  std::string path = folder + found;
  void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = ::dlerror();
    Fail(ERROR_BAD_EXE_FORMAT, e ? e : path);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  Loaded& l = g_modules[h];
  if (l.refs == 0) l.path = path;
  ++l.refs;
  t_lastError = ERROR_SUCCESS;
  t_detail.clear();
  return static_cast<HMODULE>(h);
}

void* GetProcAddress(HMODULE module, const char* name) {
  void* h = module;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!h || !g_modules.count(h)) {
      Fail(ERROR_INVALID_HANDLE, "");
      return nullptr;
    }
  }
  if (!name || !*name) {
    Fail(ERROR_PROC_NOT_FOUND, "");
    return nullptr;
  }
  ::dlerror();
  void* sym = ::dlsym(h, name);
  if (!sym) {
    Fail(ERROR_PROC_NOT_FOUND, name);
    return nullptr;
  }
  // dlsym also searches the library's own dependencies: take only its exports.
  link_map* own = nullptr;
  link_map* where = nullptr;
  Dl_info info;
  if (::dlinfo(h, RTLD_DI_LINKMAP, &own) != 0 ||
      !::dladdr1(sym, &info, reinterpret_cast<void**>(&where), RTLD_DL_LINKMAP) || where != own) {
    Fail(ERROR_PROC_NOT_FOUND, name);
    return nullptr;
  }
  return sym;
}

bool FreeLibrary(HMODULE module) {
  void* h = module;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = h ? g_modules.find(h) : g_modules.end();
    if (it == g_modules.end()) {
      Fail(ERROR_INVALID_HANDLE, "");
      return false;
    }
    if (--it->second.refs == 0) g_modules.erase(it);
  }
  ::dlclose(h);
  return true;
}

std::string GetModuleFileName(HMODULE module) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_modules.find(static_cast<void*>(module));
  return it == g_modules.end() ? std::string() : it->second.path;
}

}  // namespace plat
