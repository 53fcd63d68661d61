#include "library/Net_Connect.h"

#include <charconv>

#include "platform/Platform_Net.h"

namespace vn {

namespace {

int g_kind = kConnectNone;
RNetTarget g_target;

}  // namespace

RNetTarget parse_tcpip_address(const std::string& text) {
  RNetTarget target;
  const size_t colon = text.find(':');
  if (colon == std::string::npos) {
    target.host = text;
    return target;
  }
  target.host = text.substr(0, colon);
  const std::string port = text.substr(colon + 1, 99);
  int value = 0;
  const char* end = port.data() + port.size();
  auto [stop, error] = std::from_chars(port.data(), end, value);
  if (error == std::errc() && stop == end && value >= 1 && value <= 65535) {
    target.port = uint16_t(value);
  }
  return target;
}

int connection_kind() { return g_kind; }

const RNetTarget& connection_target() { return g_target; }

bool connect_tcpip(const std::string& address) {
  if (g_kind != kConnectNone) return false;
  RNetTarget target = parse_tcpip_address(address);
  // A name is resolved when sessions are looked for; here only the network must work.
  if (!net_available()) return false;
  g_target = std::move(target);
  g_kind = kConnectTcpip;
  return true;
}

void end_connection() {
  g_kind = kConnectNone;
  g_target = RNetTarget();
}

}  // namespace vn
