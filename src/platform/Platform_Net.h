// UDP networking for multiplayer sessions: a host that makes and accepts connections with
// reliable (ordered) and unreliable sends, plus plain datagrams on the same socket for
// finding sessions. Everything is polled from the game thread; nothing here blocks longer
// than the timeout it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vn {

// An IPv4 address and port; host in network byte order.
struct RNetAddress {
  uint32_t host = 0;
  uint16_t port = 0;
  friend bool operator==(const RNetAddress&, const RNetAddress&) = default;
};

// False when the network cannot be used at all.
bool net_available();

// The address that reaches every machine of the local network.
RNetAddress net_broadcast_address(uint16_t port);
RNetAddress net_loopback_address(uint16_t port);
// A host name or a dotted address; false when it does not resolve.
bool net_resolve(const std::string& name, uint16_t port, RNetAddress& out);
// This machine's address in dotted decimal, or the empty string.
std::string net_local_address();
// Sixteen bytes that no other session is likely to have.
void net_random_bytes(uint8_t* out, size_t count);

struct RNetEvent {
  enum Kind { connected, disconnected, received } kind = received;
  uint32_t peer = 0;  // a handle of the host, never 0
  bool reliable = false;
  std::vector<uint8_t> data;
};

struct RNetDatagram {
  RNetAddress from;
  std::vector<uint8_t> data;
};

class CNetHost {
 public:
  // Bound to the port on every local address, or to a port the system chooses when port
  // is 0. Null when the socket cannot be made (the port in use, say).
  static std::unique_ptr<CNetHost> create(uint16_t port, size_t max_peers);
  ~CNetHost();
  CNetHost(const CNetHost&) = delete;
  CNetHost& operator=(const CNetHost&) = delete;

  uint16_t port() const;
  // Starts a connection; its connected or disconnected event follows. 0 on failure.
  uint32_t connect(const RNetAddress& address);
  bool send(uint32_t peer, const uint8_t* data, size_t size, bool reliable);
  // Disconnects once what was queued for the peer has gone out.
  void disconnect_later(uint32_t peer);
  void disconnect_now(uint32_t peer);
  RNetAddress peer_address(uint32_t peer) const;
  size_t connected_peers() const;

  // Takes what has arrived, waiting at most timeout_ms for the first thing (0: no wait).
  // Datagrams that are not part of a connection go to datagrams.
  void service(int timeout_ms, std::vector<RNetEvent>& events,
               std::vector<RNetDatagram>& datagrams);
  void flush();
  void send_datagram(const RNetAddress& to, const uint8_t* data, size_t size);

 private:
  CNetHost() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vn
