// The install and open pings to the statistics server.
#pragma once

#include <string>
#include <string_view>

namespace zlvup {

class UpdateAgent;

// The installer's partner tag from the machine-wide registry, else "h_lvse".
std::u16string partnerTag();

// "/vd/inst.htm?pid=..&ver=.." and "/vd/op.htm?pid=..&ver=..", values inserted as they are.
std::u16string installPingAddress(std::u16string_view server, std::u16string_view tag,
                                  std::u16string_view version);
std::u16string openPingAddress(std::u16string_view server, std::u16string_view tag,
                               std::u16string_view version);

// Install ping when the tag differs from the last reported one, then the open ping.
void sendStatistics(UpdateAgent& agent);

}  // namespace zlvup
