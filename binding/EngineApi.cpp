#include "EngineApi.h"

#include <dlfcn.h>

#include <cstdlib>

#include "ProgramPaths.h"

namespace {

EngineApi gApi;
bool gAtExitRegistered = false;

struct Entry {
  const char* name;
  void** slot;
  bool called;  // the program calls it: binding fails without it
};

template <class F>
void** slotOf(F& f) {
  return reinterpret_cast<void**>(&f);
}

}  // namespace

const EngineApi& Engine() { return gApi; }

bool EngineReady() { return gApi.a && gApi.b && gApi.d && gApi.g && gApi.h; }

bool BindEngineFrom(const QString& libraryPath, QString* problem) {
  if (gApi.module) {
    if (!EngineReady() && problem) *problem = QStringLiteral("engine library incomplete");
    return EngineReady();
  }
  const QByteArray file = libraryPath.toLocal8Bit();
  void* module = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    if (problem) {
      const char* why = dlerror();
      *problem = QStringLiteral("cannot load the image engine %1: %2")
                     .arg(libraryPath, QString::fromLocal8Bit(why ? why : "not found"));
    }
    return false;
  }
  EngineApi api;
  api.module = module;
  const Entry entries[] = {
      {"a", slotOf(api.a), true},  {"b", slotOf(api.b), true},  {"c", slotOf(api.c), false},
      {"d", slotOf(api.d), true},  {"e", slotOf(api.e), false}, {"f", slotOf(api.f), false},
      {"g", slotOf(api.g), true},  {"h", slotOf(api.h), true},  {"i", slotOf(api.i), false},
      {"j", slotOf(api.j), false}, {"k", slotOf(api.k), false}, {"l", slotOf(api.l), false},
      {"m", slotOf(api.m), false}, {"n", slotOf(api.n), false}, {"o", slotOf(api.o), false},
      {"p", slotOf(api.p), false}, {"q", slotOf(api.q), false},
  };
  QString missing;
  for (const Entry& e : entries) {
    *e.slot = dlsym(module, e.name);
    if (!*e.slot && e.called && missing.isEmpty()) missing = QString::fromLatin1(e.name);
  }
  gApi = api;
  if (!gAtExitRegistered) {
    gAtExitRegistered = true;
    std::atexit(UnbindEngine);
  }
  if (!missing.isEmpty()) {
    if (problem)
      *problem = QStringLiteral("the image engine %1 lacks the entry \"%2\"").arg(libraryPath, missing);
    return false;
  }
  return true;
}

bool BindEngine(QString* problem) {
  return BindEngineFrom(CompanionLibraryPath(EngineLibrary), problem);
}

void UnbindEngine() {
  if (gApi.module) dlclose(gApi.module);
  gApi = EngineApi{};
}
