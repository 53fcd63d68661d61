#include "library/Net_Session.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

#include "library/Net_Connect.h"
#include "library/Net_Message.h"
#include "platform/Platform_Net.h"

namespace vn {

namespace {

using Clock = std::chrono::steady_clock;

// Frames between players; the payload of a message follows the header of kTo and kFrom.
enum Frame : uint8_t {
  kJoin = 1,    // app id, session id, name
  kRejoin = 2,  // app id, session id, player id, name: back after the host changed
  kAccept = 3,  // player id, host id, migrate flag, session name, players
  kRefuse = 4,
  kAdd = 5,     // player
  kRemove = 6,  // player id
  kTo = 7,      // target id, payload (player to host)
  kFrom = 8,    // sender id, payload (host to player)
};
// Datagrams: a request for sessions and the answer.
constexpr uint8_t kRequest = 'Q';
constexpr uint8_t kAnswer = 'R';

// Names are cut to this on the wire, so that the list of every player fits in one packet.
constexpr size_t kNameLimit = 255;
constexpr size_t kPlayerLimit = 200;
constexpr int kFindMilliseconds = 1000;
constexpr int kJoinMilliseconds = 3000;
constexpr int kEndMilliseconds = 3000;
// Players that do not come back to a new host in this time have left.
constexpr int kRejoinMilliseconds = 5000;

using Guid = std::array<uint8_t, 16>;

struct RRemote {
  uint32_t id = 0;
  std::string name;
  RNetAddress address;  // where it accepts connections, as the host saw it
  uint32_t peer = 0;    // on the host: its connection; 0 while it has none
};

struct RFound {
  Guid instance{};
  std::string name;
  RNetAddress address;
};

enum class JoinStep { idle, connecting, waiting, accepted, refused };

struct RSession {
  std::unique_ptr<CNetHost> socket;
  int state = kSessionNone;
  bool hosting = false;
  bool mode_migrate = false;  // what mplay_session_mode set
  bool migrates = false;      // the session's own flag
  Guid application{};
  Guid instance{};
  std::string name;
  int64_t max_players = 0;
  uint32_t own_id = 0;
  std::string own_name;
  uint32_t next_id = 1;
  std::vector<RRemote> remote;
  uint32_t host_peer = 0;  // on a player: the connection to the host
  uint32_t host_id = 0;
  JoinStep join = JoinStep::idle;
  bool finding = false;  // answers count only while sessions are looked for
  Clock::time_point rejoin_deadline{};
  std::vector<RFound> found;
};

RSession g_session;

// --- Reading and writing frames ---

class CWriter {
 public:
  explicit CWriter(uint8_t type) { bytes.push_back(type); }
  void u8(uint8_t value) { bytes.push_back(value); }
  void u16(uint16_t value) {
    bytes.push_back(uint8_t(value));
    bytes.push_back(uint8_t(value >> 8));
  }
  void u32(uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
  }
  void guid(const Guid& value) { bytes.insert(bytes.end(), value.begin(), value.end()); }
  void text(const std::string& value) {
    const size_t length = std::min(value.size(), kNameLimit);
    u16(uint16_t(length));
    bytes.insert(bytes.end(), value.begin(), value.begin() + ptrdiff_t(length));
  }
  void address(const RNetAddress& value) {
    bytes.insert(bytes.end(), reinterpret_cast<const uint8_t*>(&value.host),
                 reinterpret_cast<const uint8_t*>(&value.host) + 4);
    u16(value.port);
  }
  void raw(const std::vector<uint8_t>& value) {
    bytes.insert(bytes.end(), value.begin(), value.end());
  }
  std::vector<uint8_t> bytes;
};

// Every read checks what is left; after a failed read ok() is false and reads give 0.
class CReader {
 public:
  CReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }
  size_t left() const { return size_ - at_; }
  bool take(size_t count) {
    if (!ok_ || count > left()) {
      ok_ = false;
      return false;
    }
    at_ += count;
    return true;
  }
  uint8_t u8() { return take(1) ? data_[at_ - 1] : 0; }
  uint16_t u16() { return take(2) ? uint16_t(data_[at_ - 2] | data_[at_ - 1] << 8) : 0; }
  uint32_t u32() {
    if (!take(4)) return 0;
    const uint8_t* p = data_ + at_ - 4;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  Guid guid() {
    Guid value{};
    if (take(16)) std::memcpy(value.data(), data_ + at_ - 16, 16);
    return value;
  }
  std::string text() {
    const uint16_t length = u16();
    if (length > kNameLimit || !take(length)) {
      ok_ = false;
      return "";
    }
    return std::string(reinterpret_cast<const char*>(data_ + at_ - length), length);
  }
  RNetAddress address() {
    RNetAddress value;
    if (take(4)) std::memcpy(&value.host, data_ + at_ - 4, 4);
    value.port = u16();
    return value;
  }
  std::vector<uint8_t> rest() {
    std::vector<uint8_t> value(data_ + at_, data_ + size_);
    at_ = size_;
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

RRemote* remote_by_id(uint32_t id) {
  for (RRemote& player : g_session.remote) {
    if (player.id == id) return &player;
  }
  return nullptr;
}

RRemote* remote_by_peer(uint32_t peer) {
  if (peer == 0) return nullptr;
  for (RRemote& player : g_session.remote) {
    if (player.peer == peer) return &player;
  }
  return nullptr;
}

void send_frame(uint32_t peer, const CWriter& frame, bool reliable = true) {
  g_session.socket->send(peer, frame.bytes.data(), frame.bytes.size(), reliable);
}

// To every player connected to this host but one.
void send_to_players(const CWriter& frame, uint32_t except_id, bool reliable = true) {
  for (const RRemote& player : g_session.remote) {
    if (player.peer != 0 && player.id != except_id) send_frame(player.peer, frame, reliable);
  }
}

bool session_full() {
  return g_session.max_players > 0 && int64_t(g_session.remote.size()) + 1 >= g_session.max_players;
}

bool open_socket(uint16_t port) {
  if (g_session.socket) return true;
  g_session.socket = CNetHost::create(port, kPlayerLimit);
  return g_session.socket != nullptr;
}

void forget_session() {
  g_session.socket.reset();
  g_session.state = kSessionNone;
  g_session.hosting = false;
  g_session.remote.clear();
  g_session.host_peer = 0;
  g_session.host_id = 0;
  g_session.own_id = 0;
  g_session.join = JoinStep::idle;
}

// --- The host's side ---

void write_player(CWriter& frame, uint32_t id, const std::string& name, const RNetAddress& at) {
  frame.u32(id);
  frame.text(name);
  frame.address(at);
}

void accept_player(RRemote& player) {
  CWriter accept(kAccept);
  accept.u32(player.id);
  accept.u32(g_session.own_id);
  accept.u8(g_session.migrates ? 1 : 0);
  accept.text(g_session.name);
  accept.u32(uint32_t(g_session.remote.size()));
  write_player(accept, g_session.own_id, g_session.own_name, RNetAddress{});
  for (const RRemote& other : g_session.remote) {
    if (other.id != player.id) write_player(accept, other.id, other.name, other.address);
  }
  send_frame(player.peer, accept);
}

void host_join(uint32_t peer, CReader& in, bool rejoin) {
  const Guid application = in.guid();
  const Guid instance = in.guid();
  const uint32_t old_id = rejoin ? in.u32() : 0;
  const std::string name = in.text();
  if (!in.ok() || remote_by_peer(peer)) return;
  if (application != g_session.application || instance != g_session.instance) {
    send_frame(peer, CWriter(kRefuse));
    return;
  }
  if (rejoin) {
    RRemote* player = remote_by_id(old_id);
    if (!player || player->peer != 0) {
      send_frame(peer, CWriter(kRefuse));
      return;
    }
    player->peer = peer;
    player->address.host = g_session.socket->peer_address(peer).host;
    accept_player(*player);
    return;
  }
  if (session_full() || g_session.remote.size() >= kPlayerLimit - 1) {
    send_frame(peer, CWriter(kRefuse));
    return;
  }
  RRemote player;
  player.id = g_session.next_id++;
  player.name = name;
  player.peer = peer;
  player.address = g_session.socket->peer_address(peer);
  g_session.remote.push_back(player);
  accept_player(g_session.remote.back());
  CWriter added(kAdd);
  write_player(added, player.id, player.name, player.address);
  send_to_players(added, player.id);
}

void host_remove(uint32_t id) {
  auto it = std::find_if(g_session.remote.begin(), g_session.remote.end(),
                         [id](const RRemote& player) { return player.id == id; });
  if (it == g_session.remote.end()) return;
  g_session.remote.erase(it);
  CWriter removed(kRemove);
  removed.u32(id);
  send_to_players(removed, 0);
}

void deliver_locally(uint32_t sender, std::vector<uint8_t> payload, bool guaranteed) {
  inbound_messages().push(RInbound{sender, guaranteed, std::move(payload)});
}

void host_relay(uint32_t peer, CReader& in, bool reliable) {
  const RRemote* from = remote_by_peer(peer);
  const uint32_t target = in.u32();
  if (!from || !in.ok()) return;
  const uint32_t sender = from->id;
  std::vector<uint8_t> payload = in.rest();
  CWriter relayed(kFrom);
  relayed.u32(sender);
  relayed.raw(payload);
  if (target == 0) {
    send_to_players(relayed, sender, reliable);
    deliver_locally(sender, std::move(payload), reliable);
  } else if (target == g_session.own_id) {
    deliver_locally(sender, std::move(payload), reliable);
  } else if (const RRemote* to = remote_by_id(target); to && to->peer != 0) {
    send_frame(to->peer, relayed, reliable);
  }
}

// --- A player's side ---

void join_accepted(CReader& in) {
  const uint32_t own = in.u32();
  const uint32_t host = in.u32();
  const bool migrates = in.u8() != 0;
  const std::string name = in.text();
  const uint32_t count = in.u32();
  std::vector<RRemote> players;
  for (uint32_t i = 0; i < count && in.ok() && i < kPlayerLimit; ++i) {
    RRemote player;
    player.id = in.u32();
    player.name = in.text();
    player.address = in.address();
    players.push_back(std::move(player));
  }
  if (!in.ok() || own == 0 || host == 0) return;
  // The host's own place is the connection this came through.
  for (RRemote& player : players) {
    if (player.id == host) player.address = g_session.socket->peer_address(g_session.host_peer);
  }
  g_session.own_id = own;
  g_session.host_id = host;
  g_session.migrates = migrates;
  g_session.name = name;
  g_session.remote = std::move(players);
  g_session.join = JoinStep::accepted;
}

void send_join() {
  const bool rejoin = g_session.state == kSessionJoined;
  CWriter join(rejoin ? kRejoin : kJoin);
  join.guid(g_session.application);
  join.guid(g_session.instance);
  if (rejoin) join.u32(g_session.own_id);
  join.text(g_session.own_name);
  send_frame(g_session.host_peer, join);
  g_session.join = JoinStep::waiting;
}

// The host left: the session goes on with a new host when it migrates, else it is lost.
void host_lost() {
  g_session.host_peer = 0;
  auto old = std::find_if(g_session.remote.begin(), g_session.remote.end(),
                          [](const RRemote& player) { return player.id == g_session.host_id; });
  if (old != g_session.remote.end()) g_session.remote.erase(old);
  if (!g_session.migrates) {
    g_session.remote.clear();
    return;
  }
  uint32_t lowest = g_session.own_id;
  const RRemote* next = nullptr;
  for (const RRemote& player : g_session.remote) {
    if (player.id < lowest) {
      lowest = player.id;
      next = &player;
    }
  }
  g_session.host_id = lowest;
  if (!next) {
    g_session.hosting = true;
    for (const RRemote& player : g_session.remote)
      g_session.next_id = std::max(g_session.next_id, player.id + 1);
    g_session.next_id = std::max(g_session.next_id, g_session.own_id + 1);
    for (RRemote& player : g_session.remote) player.peer = 0;
    g_session.rejoin_deadline = Clock::now() + std::chrono::milliseconds(kRejoinMilliseconds);
    return;
  }
  g_session.host_peer = g_session.socket->connect(next->address);
  g_session.join = g_session.host_peer ? JoinStep::connecting : JoinStep::refused;
}

void player_frame(CReader& in, uint8_t type, bool reliable) {
  switch (type) {
    case kAccept:
      if (g_session.join == JoinStep::waiting) join_accepted(in);
      break;
    case kRefuse:
      if (g_session.join == JoinStep::waiting || g_session.join == JoinStep::connecting) {
        g_session.join = JoinStep::refused;
      }
      break;
    case kAdd: {
      RRemote player;
      player.id = in.u32();
      player.name = in.text();
      player.address = in.address();
      if (in.ok() && player.id != 0 && player.id != g_session.own_id && !remote_by_id(player.id) &&
          g_session.remote.size() < kPlayerLimit) {
        g_session.remote.push_back(std::move(player));
      }
      break;
    }
    case kRemove: {
      const uint32_t id = in.u32();
      if (!in.ok()) break;
      std::erase_if(g_session.remote, [id](const RRemote& player) { return player.id == id; });
      break;
    }
    case kFrom: {
      const uint32_t sender = in.u32();
      if (in.ok() && g_session.own_id != 0) deliver_locally(sender, in.rest(), reliable);
      break;
    }
    default:
      break;
  }
}

// --- Serving the socket ---

void answer_request(const RNetDatagram& datagram) {
  CReader in(datagram.data.data(), datagram.data.size());
  const uint8_t type = in.u8();
  if (type == kRequest) {
    const Guid application = in.guid();
    if (!in.ok() || !g_session.hosting || application != g_session.application || session_full()) {
      return;
    }
    CWriter answer(kAnswer);
    answer.guid(g_session.application);
    answer.guid(g_session.instance);
    answer.text(g_session.name);
    g_session.socket->send_datagram(datagram.from, answer.bytes.data(), answer.bytes.size());
  } else if (type == kAnswer) {
    RFound found;
    const Guid application = in.guid();
    found.instance = in.guid();
    found.name = in.text();
    found.address = datagram.from;
    if (!in.ok() || !g_session.finding || application != g_session.application) return;
    for (const RFound& known : g_session.found) {
      if (known.instance == found.instance) return;
    }
    g_session.found.push_back(std::move(found));
  }
}

void handle_event(RNetEvent& event) {
  switch (event.kind) {
    case RNetEvent::connected:
      if (!g_session.hosting && event.peer == g_session.host_peer &&
          g_session.join == JoinStep::connecting) {
        send_join();
      }
      break;
    case RNetEvent::disconnected:
      if (g_session.hosting) {
        if (const RRemote* player = remote_by_peer(event.peer)) host_remove(player->id);
      } else if (event.peer == g_session.host_peer) {
        if (g_session.join == JoinStep::connecting || g_session.join == JoinStep::waiting) {
          if (g_session.state == kSessionNone) {
            g_session.join = JoinStep::refused;
            g_session.host_peer = 0;
            break;
          }
        }
        host_lost();
      }
      break;
    case RNetEvent::received: {
      CReader in(event.data.data(), event.data.size());
      const uint8_t type = in.u8();
      if (!in.ok()) break;
      if (g_session.hosting) {
        if (type == kJoin || type == kRejoin) {
          host_join(event.peer, in, type == kRejoin);
        } else if (type == kTo) {
          host_relay(event.peer, in, event.reliable);
        }
      } else if (event.peer == g_session.host_peer) {
        player_frame(in, type, event.reliable);
      }
      break;
    }
  }
}

void service(int timeout_ms) {
  if (!g_session.socket) return;
  std::vector<RNetEvent> events;
  std::vector<RNetDatagram> datagrams;
  g_session.socket->service(timeout_ms, events, datagrams);
  for (const RNetDatagram& datagram : datagrams) answer_request(datagram);
  for (RNetEvent& event : events) handle_event(event);
  // A new host gives up on the players that did not come back.
  if (g_session.hosting && g_session.state == kSessionJoined &&
      g_session.rejoin_deadline != Clock::time_point{} &&
      Clock::now() > g_session.rejoin_deadline) {
    g_session.rejoin_deadline = {};
    std::vector<uint32_t> gone;
    for (const RRemote& player : g_session.remote) {
      if (player.peer == 0) gone.push_back(player.id);
    }
    for (uint32_t id : gone) host_remove(id);
  }
}

// Serves the socket until done() or the time is up.
template <typename Done>
void wait_until(int milliseconds, Done done) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done() && Clock::now() < deadline) service(5);
}

struct RShutdown {
  ~RShutdown() { end_network(); }
};
RShutdown g_shutdown;

}  // namespace

void set_session_application(const std::array<uint8_t, 16>& identifier) {
  g_session.application = identifier;
}

int session_state() { return g_session.state; }

bool& session_migrate_mode() { return g_session.mode_migrate; }

bool session_create(const std::string& name, int64_t max_players, const std::string& player) {
  if (connection_kind() == kConnectNone || g_session.state != kSessionNone) return false;
  // Finding sessions may have opened a socket on any port; a host listens on its own.
  g_session.socket.reset();
  if (!open_socket(connection_target().port)) return false;
  net_random_bytes(g_session.instance.data(), g_session.instance.size());
  g_session.name = name;
  g_session.max_players = max_players > 0 ? max_players : 0;
  g_session.migrates = g_session.mode_migrate;
  g_session.own_id = 1;
  g_session.own_name = player;
  g_session.next_id = 2;
  g_session.host_id = 1;
  g_session.remote.clear();
  g_session.hosting = true;
  g_session.rejoin_deadline = {};
  g_session.state = kSessionCreated;
  return true;
}

int session_find() {
  if (connection_kind() == kConnectNone) return 0;
  g_session.found.clear();
  if (!open_socket(0)) return 0;
  const RNetTarget& target = connection_target();
  CWriter request(kRequest);
  request.guid(g_session.application);
  const bool everywhere = target.host.empty();
  if (everywhere) {
    // The local network, and this machine, whose own sessions a broadcast may not reach.
    for (const RNetAddress& to :
         {net_broadcast_address(target.port), net_loopback_address(target.port)}) {
      g_session.socket->send_datagram(to, request.bytes.data(), request.bytes.size());
    }
  } else {
    RNetAddress to;
    if (!net_resolve(target.host, target.port, to)) return 0;
    g_session.socket->send_datagram(to, request.bytes.data(), request.bytes.size());
  }
  // One address and port hosts one session: its answer ends the wait.
  g_session.finding = true;
  wait_until(kFindMilliseconds, [everywhere] { return !everywhere && !g_session.found.empty(); });
  g_session.finding = false;
  return int(g_session.found.size());
}

std::optional<std::string> found_session_name(int64_t index) {
  if (index < 0 || uint64_t(index) >= g_session.found.size()) return std::nullopt;
  return g_session.found[size_t(index)].name;
}

bool session_join(int64_t index, const std::string& player) {
  if (connection_kind() == kConnectNone || g_session.state != kSessionNone) return false;
  if (index < 0 || uint64_t(index) >= g_session.found.size()) return false;
  if (!open_socket(0)) return false;
  const RFound found = g_session.found[size_t(index)];
  g_session.instance = found.instance;
  g_session.own_name = player;
  g_session.hosting = false;
  g_session.remote.clear();
  g_session.host_peer = g_session.socket->connect(found.address);
  if (g_session.host_peer == 0) return false;
  g_session.join = JoinStep::connecting;
  wait_until(kJoinMilliseconds, [] {
    return g_session.join == JoinStep::accepted || g_session.join == JoinStep::refused;
  });
  if (g_session.join != JoinStep::accepted) {
    if (g_session.host_peer) g_session.socket->disconnect_now(g_session.host_peer);
    g_session.host_peer = 0;
    g_session.join = JoinStep::idle;
    return false;
  }
  g_session.join = JoinStep::idle;
  g_session.state = kSessionJoined;
  return true;
}

void session_end() {
  if (!g_session.socket) {
    forget_session();
    return;
  }
  if (g_session.state != kSessionNone) {
    // Guaranteed messages already sent still arrive: each connection ends after them.
    // Nothing that arrives meanwhile is taken in.
    for (const RRemote& player : g_session.remote) {
      if (g_session.hosting && player.peer) g_session.socket->disconnect_later(player.peer);
    }
    if (!g_session.hosting && g_session.host_peer) {
      g_session.socket->disconnect_later(g_session.host_peer);
    }
    g_session.state = kSessionNone;
    g_session.hosting = false;
    g_session.remote.clear();
    g_session.host_peer = 0;
    g_session.own_id = 0;
    wait_until(kEndMilliseconds, [] { return g_session.socket->connected_peers() == 0; });
    g_session.socket->flush();
  }
  forget_session();
}

std::vector<RNetPlayer> session_players() {
  std::vector<RNetPlayer> players;
  if (g_session.state == kSessionNone) return players;
  players.push_back({g_session.own_id, g_session.own_name});
  for (const RRemote& player : g_session.remote) players.push_back({player.id, player.name});
  return players;
}

uint32_t own_player_id() { return g_session.own_id; }

bool session_send(uint32_t target, const std::vector<uint8_t>& payload, bool guaranteed) {
  if (g_session.state == kSessionNone || !g_session.socket) return false;
  if (target == g_session.own_id) {
    deliver_locally(target, payload, guaranteed);
    return true;
  }
  if (target != 0 && !remote_by_id(target)) return false;
  if (g_session.hosting) {
    CWriter frame(kFrom);
    frame.u32(g_session.own_id);
    frame.raw(payload);
    if (target == 0) {
      send_to_players(frame, 0, guaranteed);
      return true;
    }
    const RRemote* to = remote_by_id(target);
    return to->peer != 0 &&
           g_session.socket->send(to->peer, frame.bytes.data(), frame.bytes.size(), guaranteed);
  }
  if (g_session.host_peer == 0 || g_session.join != JoinStep::idle) return false;
  CWriter frame(kTo);
  frame.u32(target);
  frame.raw(payload);
  return g_session.socket->send(g_session.host_peer, frame.bytes.data(), frame.bytes.size(),
                                guaranteed);
}

void service_network() {
  service(0);
  // A player moving to a new host finishes joining it here.
  if (g_session.join == JoinStep::accepted) g_session.join = JoinStep::idle;
  if (g_session.join == JoinStep::refused && g_session.state == kSessionJoined) {
    g_session.join = JoinStep::idle;
    g_session.remote.clear();
  }
}

void end_network() {
  session_end();
  end_connection();
}

}  // namespace vn
