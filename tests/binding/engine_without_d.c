/* A library that looks like the engine but lacks export d (the frame manager). */
#include <stddef.h>

__attribute__((visibility("default"))) void* a(const void* typeName) { return NULL; }
__attribute__((visibility("default"))) void b(void* object) {}
__attribute__((visibility("default"))) void* g(const void* kind) { return NULL; }
__attribute__((visibility("default"))) void h(void* object) {}
