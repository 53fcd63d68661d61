#include "library/Function_Net.h"

#include <optional>
#include <string>

#include "library/Net_Connect.h"
#include "library/Net_Data.h"
#include "library/Net_Message.h"
#include "library/Net_Session.h"
#include "platform/Platform_Net.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

using arguments::integer;
using arguments::number;
using arguments::rounded;
using arguments::text;

using Handler = void(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&);

void set_bool(RValue& result, bool value) { result.set_real(value ? 1.0 : 0.0); }

// Everything that arrived goes to the queue and the shared data.
void pull() {
  service_network();
  pull_inbound(inbound_messages(), message_queue(), shared_data_store);
}

std::vector<RNetPlayer>& found_players() {
  static std::vector<RNetPlayer> players;
  return players;
}

// A player given by id (0 all or any) or by exact name among the players found now;
// nothing for a name no player has.
std::optional<int64_t> player_argument(const RValue& value) {
  if (!value.is_string()) return rounded(value);
  found_players() = session_players();
  for (const RNetPlayer& player : found_players()) {
    if (player.name == value.string.view()) return int64_t(player.id);
  }
  return std::nullopt;
}

// --- Connections ---

void mplay_init_ipx(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  set_bool(result, false);
}

void mplay_init_tcpip(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  set_bool(result, connect_tcpip(text(args[0])));
}

void mplay_init_modem(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  set_bool(result, false);
}

void mplay_init_serial(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  set_bool(result, false);
}

void mplay_connect_status(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_real(connection_kind());
}

void mplay_end(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  end_network();
  set_bool(result, true);
}

void mplay_ipaddress(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_string(RString(net_local_address()));
}

// --- Sessions ---

void mplay_session_mode(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  session_migrate_mode() = rounded(args[0]) != 0;
  set_bool(result, true);
}

void mplay_session_create(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  set_bool(result, session_create(text(args[0]), rounded(args[1]), text(args[2])));
}

void mplay_session_find(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_real(session_find());
}

void mplay_session_name(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result.set_string(RString(found_session_name(rounded(args[0])).value_or("")));
}

void mplay_session_join(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  set_bool(result, session_join(rounded(args[0]), text(args[1])));
}

void mplay_session_status(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_real(session_state());
}

void mplay_session_end(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  const bool in_one = connection_kind() != kConnectNone && session_state() != kSessionNone;
  if (in_one) session_end();
  set_bool(result, in_one);
}

// --- Players ---

void mplay_player_find(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  service_network();
  found_players() = session_players();
  result.set_real(double(found_players().size()));
}

void mplay_player_name(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const int64_t index = rounded(args[0]);
  const std::vector<RNetPlayer>& players = found_players();
  result.set_string(index >= 0 && uint64_t(index) < players.size()
                        ? RString(players[size_t(index)].name)
                        : RString());
}

void mplay_player_id(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const int64_t index = rounded(args[0]);
  const std::vector<RNetPlayer>& players = found_players();
  result.set_real(index >= 0 && uint64_t(index) < players.size() ? players[size_t(index)].id : 0.0);
}

// --- Shared data ---

void mplay_data_write(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const int64_t index = rounded(args[0]);
  if (session_state() == kSessionNone || !shared_index_valid(index)) return;
  service_network();
  const bool sent = session_send(0, encode_payload(kMessageData, int32_t(index), args[1]),
                                 shared_data_guaranteed());
  if (sent) shared_data_set(index, args[1]);
  set_bool(result, sent);
}

void mplay_data_read(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  const int64_t index = rounded(args[0]);
  if (session_state() == kSessionNone || !shared_index_valid(index)) return;
  pull();
  result = shared_data_get(index);
}

void mplay_data_mode(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  shared_data_guaranteed() = rounded(args[0]) != 0;
  set_bool(result, true);
}

// --- Messages ---

void send_message(const RValue* args, RValue& result, bool guaranteed) {
  if (session_state() == kSessionNone) return;
  service_network();
  const std::optional<int64_t> player = player_argument(args[0]);
  if (!player || *player < 0 || *player > int64_t(UINT32_MAX)) return;
  set_bool(result,
           session_send(uint32_t(*player), encode_payload(kMessageUser, integer(args[1]), args[2]),
                        guaranteed));
}

void mplay_message_send(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  send_message(args, result, false);
}

void mplay_message_send_guaranteed(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                                   RValue& result) {
  send_message(args, result, true);
}

void mplay_message_receive(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                           RValue& result) {
  pull();
  const std::optional<int64_t> player = player_argument(args[0]);
  if (!player) return;
  std::optional<TMess> taken = message_queue().take(*player);
  if (!taken) return;
  current_message() = std::move(*taken);
  set_bool(result, true);
}

void mplay_message_id(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_real(current_message().id);
}

void mplay_message_value(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result = current_message().value;
}

void mplay_message_player(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  result.set_real(current_message().sender);
}

void mplay_message_name(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue& result) {
  service_network();
  found_players() = session_players();
  for (const RNetPlayer& player : found_players()) {
    if (player.id == current_message().sender) {
      result.set_string(RString(player.name));
      return;
    }
  }
  result.set_string(RString("(unknown)"));
}

void mplay_message_count(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  pull();
  const std::optional<int64_t> player = player_argument(args[0]);
  if (!player) return;
  result.set_real(double(message_queue().count(*player)));
}

void mplay_message_clear(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  pull();
  const std::optional<int64_t> player = player_argument(args[0]);
  if (!player) return;
  message_queue().clear(*player);
  set_bool(result, true);
}

struct RNetFunction {
  const char* name;
  Handler* handler;
  int argument_count;
};

constexpr RNetFunction kFunctions[] = {
    {"mplay_init_ipx", mplay_init_ipx, 0},
    {"mplay_init_tcpip", mplay_init_tcpip, 1},
    {"mplay_init_modem", mplay_init_modem, 2},
    {"mplay_init_serial", mplay_init_serial, 5},
    {"mplay_connect_status", mplay_connect_status, 0},
    {"mplay_end", mplay_end, 0},
    {"mplay_session_mode", mplay_session_mode, 1},
    {"mplay_session_create", mplay_session_create, 3},
    {"mplay_session_find", mplay_session_find, 0},
    {"mplay_session_name", mplay_session_name, 1},
    {"mplay_session_join", mplay_session_join, 2},
    {"mplay_session_status", mplay_session_status, 0},
    {"mplay_session_end", mplay_session_end, 0},
    {"mplay_player_find", mplay_player_find, 0},
    {"mplay_player_name", mplay_player_name, 1},
    {"mplay_player_id", mplay_player_id, 1},
    {"mplay_data_write", mplay_data_write, 2},
    {"mplay_data_read", mplay_data_read, 1},
    {"mplay_data_mode", mplay_data_mode, 1},
    {"mplay_message_send", mplay_message_send, 3},
    {"mplay_message_send_guaranteed", mplay_message_send_guaranteed, 3},
    {"mplay_message_receive", mplay_message_receive, 1},
    {"mplay_message_id", mplay_message_id, 0},
    {"mplay_message_value", mplay_message_value, 0},
    {"mplay_message_player", mplay_message_player, 0},
    {"mplay_message_name", mplay_message_name, 0},
    {"mplay_message_count", mplay_message_count, 1},
    {"mplay_message_clear", mplay_message_clear, 1},
    {"mplay_ipaddress", mplay_ipaddress, 0},
};

}  // namespace

void register_net_functions() {
  for (const RNetFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

void set_net_game_identifier(const std::array<uint8_t, 16>& identifier) {
  set_session_application(identifier);
}

void net_between_steps() { service_network(); }

}  // namespace vn
