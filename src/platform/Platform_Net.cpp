#include "platform/Platform_Net.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <random>

namespace vn {

namespace {

// Our datagrams begin with this; the connection protocol's own never do on hosts with
// fewer peers than the number its first bytes would name.
constexpr uint8_t kDatagramMagic[4] = {'V', 'N', 'S', 'D'};

// Large enough for the longest message with its framing, small enough that a hostile peer
// cannot make us hold much.
constexpr size_t kMaximumPacket = 64 * 1024;
constexpr size_t kMaximumWaiting = 64 * 1024 * 1024;

bool initialise() {
  static const bool ready = enet_initialize() == 0;
  return ready;
}

// The host being serviced collects the datagrams its socket receives.
thread_local std::vector<RNetDatagram>* g_datagrams = nullptr;

int ENET_CALLBACK intercept(ENetHost* host, ENetEvent*) {
  if (host->receivedDataLength < sizeof(kDatagramMagic) ||
      std::memcmp(host->receivedData, kDatagramMagic, sizeof(kDatagramMagic)) != 0) {
    return 0;
  }
  if (g_datagrams) {
    RNetDatagram datagram;
    datagram.from = {host->receivedAddress.host, host->receivedAddress.port};
    datagram.data.assign(host->receivedData + sizeof(kDatagramMagic),
                         host->receivedData + host->receivedDataLength);
    g_datagrams->push_back(std::move(datagram));
  }
  return 1;
}

}  // namespace

struct CNetHost::Impl {
  ENetHost* host = nullptr;

  ENetPeer* peer(uint32_t handle) const {
    if (handle == 0 || handle > host->peerCount) return nullptr;
    return &host->peers[handle - 1];
  }
  uint32_t handle(const ENetPeer* peer) const { return uint32_t(peer - host->peers) + 1; }
};

bool net_available() { return initialise(); }

RNetAddress net_broadcast_address(uint16_t port) { return {ENET_HOST_BROADCAST, port}; }

RNetAddress net_loopback_address(uint16_t port) { return {htonl(INADDR_LOOPBACK), port}; }

bool net_resolve(const std::string& name, uint16_t port, RNetAddress& out) {
  if (!initialise()) return false;
  ENetAddress address{};
  if (enet_address_set_host(&address, name.c_str()) != 0) return false;
  out = {address.host, port};
  return true;
}

std::string net_local_address() {
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) != 0) return "";
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return "";
  std::string text;
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&address->sin_addr.s_addr);
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(bytes[i]);
  }
  freeaddrinfo(found);
  return text;
}

void net_random_bytes(uint8_t* out, size_t count) {
  std::random_device device;
  for (size_t i = 0; i < count; ++i) out[i] = uint8_t(device());
}

std::unique_ptr<CNetHost> CNetHost::create(uint16_t port, size_t max_peers) {
  if (!initialise()) return nullptr;
  ENetAddress address{};
  address.host = ENET_HOST_ANY;
  address.port = port;
  // Channel 0 carries reliable packets in order, channel 1 the unreliable ones.
  ENetHost* host = enet_host_create(&address, max_peers, 2, 0, 0);
  if (!host) return nullptr;
  host->intercept = intercept;
  host->maximumPacketSize = kMaximumPacket;
  host->maximumWaitingData = kMaximumWaiting;
  enet_socket_set_option(host->socket, ENET_SOCKOPT_BROADCAST, 1);
  std::unique_ptr<CNetHost> result(new CNetHost());
  result->impl_ = std::make_unique<Impl>();
  result->impl_->host = host;
  return result;
}

CNetHost::~CNetHost() {
  if (impl_ && impl_->host) enet_host_destroy(impl_->host);
}

uint16_t CNetHost::port() const {
  ENetAddress address{};
  if (enet_socket_get_address(impl_->host->socket, &address) != 0) return 0;
  return address.port;
}

uint32_t CNetHost::connect(const RNetAddress& to) {
  ENetAddress address{};
  address.host = to.host;
  address.port = to.port;
  ENetPeer* peer = enet_host_connect(impl_->host, &address, 2, 0);
  return peer ? impl_->handle(peer) : 0;
}

bool CNetHost::send(uint32_t handle, const uint8_t* data, size_t size, bool reliable) {
  ENetPeer* peer = impl_->peer(handle);
  if (!peer || peer->state != ENET_PEER_STATE_CONNECTED) return false;
  ENetPacket* packet = enet_packet_create(data, size, reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
  if (!packet) return false;
  if (enet_peer_send(peer, reliable ? 0 : 1, packet) != 0) {
    enet_packet_destroy(packet);
    return false;
  }
  return true;
}

void CNetHost::disconnect_later(uint32_t handle) {
  if (ENetPeer* peer = impl_->peer(handle)) enet_peer_disconnect_later(peer, 0);
}

void CNetHost::disconnect_now(uint32_t handle) {
  if (ENetPeer* peer = impl_->peer(handle)) enet_peer_disconnect_now(peer, 0);
}

RNetAddress CNetHost::peer_address(uint32_t handle) const {
  ENetPeer* peer = impl_->peer(handle);
  return peer ? RNetAddress{peer->address.host, peer->address.port} : RNetAddress{};
}

size_t CNetHost::connected_peers() const { return impl_->host->connectedPeers; }

void CNetHost::service(int timeout_ms, std::vector<RNetEvent>& events,
                       std::vector<RNetDatagram>& datagrams) {
  std::vector<RNetDatagram>* outer = g_datagrams;
  g_datagrams = &datagrams;
  ENetEvent event;
  int result = enet_host_service(impl_->host, &event, enet_uint32(timeout_ms > 0 ? timeout_ms : 0));
  // A flood must not keep the game thread here.
  for (int taken_count = 0; result > 0 && taken_count < 65536; ++taken_count) {
    RNetEvent taken;
    taken.peer = impl_->handle(event.peer);
    switch (event.type) {
      case ENET_EVENT_TYPE_CONNECT:
        taken.kind = RNetEvent::connected;
        events.push_back(std::move(taken));
        break;
      case ENET_EVENT_TYPE_DISCONNECT:
        taken.kind = RNetEvent::disconnected;
        events.push_back(std::move(taken));
        break;
      case ENET_EVENT_TYPE_RECEIVE:
        taken.kind = RNetEvent::received;
        taken.reliable = (event.packet->flags & ENET_PACKET_FLAG_RELIABLE) != 0;
        taken.data.assign(event.packet->data, event.packet->data + event.packet->dataLength);
        enet_packet_destroy(event.packet);
        events.push_back(std::move(taken));
        break;
      default:
        break;
    }
    result = enet_host_check_events(impl_->host, &event);
    if (result == 0) result = enet_host_service(impl_->host, &event, 0);
  }
  g_datagrams = outer;
}

void CNetHost::flush() { enet_host_flush(impl_->host); }

void CNetHost::send_datagram(const RNetAddress& to, const uint8_t* data, size_t size) {
  std::vector<uint8_t> whole(kDatagramMagic, kDatagramMagic + sizeof(kDatagramMagic));
  whole.insert(whole.end(), data, data + size);
  ENetAddress address{};
  address.host = to.host;
  address.port = to.port;
  ENetBuffer buffer;
  buffer.data = whole.data();
  buffer.dataLength = whole.size();
  enet_socket_send(impl_->host->socket, &address, &buffer, 1);
}

}  // namespace vn
