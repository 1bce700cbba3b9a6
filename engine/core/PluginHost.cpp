// The filter plug-in host of export m: a registry of named filters applied to images.
#include <new>
#include <string>
#include <vector>

#include "EngineObjects.h"
#include "Image.h"

namespace zelvo {
namespace {

struct Plugin {
  std::u16string name;
  ZvPluginFilter filter;
  void* user;
};

struct PluginHost : ZvPluginHost {
  std::vector<Plugin> plugins;

  Plugin* find(const char16_t* name) {
    if (!name) return nullptr;
    for (auto& p : plugins)
      if (p.name == name) return &p;
    return nullptr;
  }
};

PluginHost* H(ZvPluginHost* s) { return static_cast<PluginHost*>(s); }

const ZvPluginHostOps kOps = {
    [](ZvPluginHost* s, bool freeMemory) {
      if (freeMemory) delete H(s);
    },
    [](ZvPluginHost* s, const char16_t* name, ZvPluginFilter filter, void* user) {
      if (!name || !*name || !filter || H(s)->find(name)) return false;
      try {
        H(s)->plugins.push_back({name, filter, user});
      } catch (...) {
        return false;
      }
      return true;
    },
    [](ZvPluginHost* s, const char16_t* name) {
      auto& v = H(s)->plugins;
      for (auto it = v.begin(); it != v.end(); ++it)
        if (name && it->name == name) {
          v.erase(it);
          return true;
        }
      return false;
    },
    [](ZvPluginHost* s) { return int32_t(H(s)->plugins.size()); },
    [](ZvPluginHost* s, int32_t index) -> const char16_t* {
      auto& v = H(s)->plugins;
      return index >= 0 && size_t(index) < v.size() ? v[size_t(index)].name.c_str() : nullptr;
    },
    [](ZvPluginHost* s, const char16_t* name, ZvImage* image) {
      Plugin* p = H(s)->find(name);
      if (!p || !image || !Image::from(image)->valid()) return false;
      return p->filter(p->user, image);
    },
};

}  // namespace

ZvPluginHost* makePluginHost() {
  PluginHost* h = new (std::nothrow) PluginHost;
  if (h) h->ops = &kOps;
  return h;
}

}  // namespace zelvo
