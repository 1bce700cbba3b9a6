// Connected-state probe: a default route, or failing that any non-loopback interface up.
#include <ifaddrs.h>
#include <net/if.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "Internal.h"
#include "zlvplatform.h"

namespace zlv::detail {

bool routeTableHasDefault(std::string_view table) {
  std::istringstream in{std::string(table)};
  std::string line;
  std::getline(in, line);  // column titles
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags;
    if (!(fields >> iface >> destination >> gateway >> flags)) continue;
    unsigned long value = std::strtoul(flags.c_str(), nullptr, 16);
    if (destination == "00000000" && (value & 0x1) && iface != "lo") return true;  // RTF_UP
  }
  return false;
}

}  // namespace zlv::detail

namespace {

std::string readRouteTable() {
  std::string text;
  if (FILE* f = std::fopen("/proc/net/route", "re")) {
    char buf[4096];
    size_t n;
    // The table is small; a bound keeps a strange /proc from growing the buffer.
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && text.size() < (1u << 20)) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

bool nonLoopbackUp() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool up = false;
  for (ifaddrs* a = list; a && !up; a = a->ifa_next)
    up = (a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING) && !(a->ifa_flags & IFF_LOOPBACK);
  freeifaddrs(list);
  return up;
}

}  // namespace

extern "C" bool zlvIsOnline(void) {
  return zlv::detail::routeTableHasDefault(readRouteTable()) || nonLoopbackUp();
}
