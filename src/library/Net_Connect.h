// The connection layer of multiplayer sessions: which transport is in use and where
// sessions are looked for. Only TCP/IP exists here; the other kinds fail as a connection
// that cannot be made does.
#pragma once

#include <cstdint>
#include <string>

namespace vn {

enum NetConnection : int {
  kConnectNone = 0,
  kConnectIpx = 1,
  kConnectTcpip = 2,
  kConnectModem = 3,
  kConnectSerial = 4
};

// Sessions are hosted and looked for on this UDP port unless the address names another.
constexpr uint16_t kDefaultSessionPort = 26510;

struct RNetTarget {
  std::string host;  // empty: the local network
  uint16_t port = kDefaultSessionPort;
};

// "address" or "address:port". The port is the whole number after the colon (at most 99
// characters of it are read); one that is not a number from 1 to 65535 means the default.
RNetTarget parse_tcpip_address(const std::string& text);

int connection_kind();
const RNetTarget& connection_target();
// False when a connection exists already or the network cannot be used.
bool connect_tcpip(const std::string& address);
void end_connection();

}  // namespace vn
