// The session layer of multiplayer sessions: creating, finding, joining and ending a
// session, its players, and carrying payloads between them.
//
// The machine that creates a session hosts it: every other player is connected to the
// host, which relays what players send to one another, so guaranteed messages keep their
// order end to end. The host answers requests for sessions that arrive on its port. When
// the host leaves a session in migrate-host mode, the remaining player with the lowest id
// hosts from then on and the others connect to it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vn {

enum NetSessionState : int { kSessionNone = 0, kSessionCreated = 1, kSessionJoined = 2 };

struct RNetPlayer {
  uint32_t id = 0;
  std::string name;
};

// Only copies of the same game see each other's sessions.
void set_session_application(const std::array<uint8_t, 16>& identifier);

int session_state();
bool& session_migrate_mode();

bool session_create(const std::string& name, int64_t max_players, const std::string& player);
// Looks for sessions where the connection says; the number found.
int session_find();
std::optional<std::string> found_session_name(int64_t index);
bool session_join(int64_t index, const std::string& player);
// Leaves the session, letting what was sent go out first (waits a few seconds at most).
void session_end();

// Own player first, then the others in the order they joined.
std::vector<RNetPlayer> session_players();
uint32_t own_player_id();

// Sends a payload from the own player to a player or to all others (0). False without a
// session, for a player not in it, or when it cannot be sent.
bool session_send(uint32_t target, const std::vector<uint8_t>& payload, bool guaranteed);

// Takes what arrived without waiting: the loop calls it between steps, and every function
// that looks at incoming messages calls it first.
void service_network();

// Ends the session and the connection (mplay_end).
void end_network();

}  // namespace vn
