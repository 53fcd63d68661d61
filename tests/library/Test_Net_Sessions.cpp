// Multiplayer sessions between game processes on this machine: each game is a small project
// run headless by vn, and the games print what they saw.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Test_Support.h"
#include "platform/Platform_Net.h"
#include "runner/Project_Json.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::read_text;
using test::run_command;
using test::write_text;

// A port nothing listens on now.
uint16_t free_port() {
  std::unique_ptr<CNetHost> probe = CNetHost::create(0, 1);
  return probe ? probe->port() : 0;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// A one-room game whose only object runs the create code once and the step code every step.
// Every copy has the same game id, so they see each other's sessions.
void write_game(const fs::path& folder, const std::string& create, const std::string& step,
                uint16_t port) {
  write_text(folder / "game.json", R"({"game_id": 4242, "objects": ["obj"], "rooms": ["rm"]})");
  auto code = [port](const std::string& text) {
    return "\"" + test::json_escaped(replaced(text, "PORT", std::to_string(port))) + "\"";
  };
  write_text(folder / "objects" / "obj.json",
             R"({"events": [{"type": "create", "number": 0, "actions": [)" + code(create) +
                 R"(]}, {"type": "step", "number": 0, "actions": [)" + code(step) + "]}]}");
  write_text(folder / "rooms" / "rm.json",
             R"({"speed": 60, "instances": [{"x": 0, "y": 0, "object": "obj"}]})");
}

// Runs the games side by side; each ends by itself (and is stopped after 60 s at most).
std::vector<std::string> play_together(const test::ScratchDir& scratch,
                                       const std::vector<std::string>& games) {
  std::string line = "cd " + quoted(scratch.path()) + " && (";
  for (const std::string& game : games) {
    line += "env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 " + quoted(VN_PATH) +
            " run --headless --steps 3000 " + game + " > " + game + ".out 2> " + game + ".err & ";
  }
  line += "wait)";
  run_command(line);
  std::vector<std::string> outputs;
  for (const std::string& game : games) {
    outputs.push_back(read_text(scratch / (game + ".out")) + read_text(scratch / (game + ".err")));
  }
  return outputs;
}

const char* kHostCreate = R"(
mplay_init_tcpip("127.0.0.1:PORT");
ok = mplay_session_create("Arena", 0, "Hosty");
show_debug_message("created " + string(ok) + " status " + string(mplay_session_status()));
phase = 0; t = 0;
)";

const char* kHostStep = R"(
t += 1;
if phase == 0 {
  if mplay_player_find() == 2 {
    show_debug_message("joined by " + mplay_player_name(1));
    for (i = 0; i < 10000; i += 1) mplay_message_send_guaranteed(0, i, "m" + string(i));
    mplay_data_write(5, "shared");
    mplay_data_mode(0);
    phase = 1;
  }
} else if phase == 1 {
  // Plain messages and data may be lost: they go every step until the answer comes.
  mplay_message_send(mplay_player_id(1), 100077, 1.5);
  mplay_data_write(6, 42);
  while mplay_message_receive(0) {
    show_debug_message("from " + mplay_message_name() + " " + string(mplay_message_id()) + " " +
                       string(mplay_message_value()));
    if mplay_message_id() == 99 phase = 2;
  }
  if phase == 2 {
    show_debug_message("data 7 " + string(mplay_data_read(7)));
    mplay_session_end();
    show_debug_message("ended " + string(mplay_session_status()));
    game_end();
  }
}
if t > 900 { show_debug_message("host gave up"); game_end(); }
)";

const char* kClientCreate = R"(
show_debug_message("connect " + string(mplay_init_tcpip("127.0.0.1:PORT")));
phase = 0; next = 0; bad = 0; t = 0; plain = 0;
)";

const char* kClientStep = R"(
t += 1;
if phase == 0 {
  if mplay_session_find() > 0 {
    show_debug_message("found " + mplay_session_name(0));
    if mplay_session_join(0, "Clienty") {
      phase = 1;
      show_debug_message("joined " + string(mplay_session_status()) + " players " +
                         string(mplay_player_find()) + " " + mplay_player_name(0) + " " +
                         mplay_player_name(1));
    }
  }
} else if phase == 1 {
  while mplay_message_receive(0) {
    if mplay_message_id() == 100077 plain += 1;
    else {
      if mplay_message_id() != next || mplay_message_value() != "m" + string(next) bad += 1;
      next += 1;
    }
  }
  if next == 10000 && plain > 0 && is_string(mplay_data_read(5)) && mplay_data_read(6) == 42 {
    show_debug_message("got " + string(next) + " out of order " + string(bad) + " from " +
                       mplay_message_name());
    show_debug_message("data " + string(mplay_data_read(5)) + " " + string(mplay_data_read(6)));
    mplay_data_write(7, "back");
    mplay_message_send_guaranteed("Hosty", 99, "done");
    phase = 2;
  }
} else if phase == 2 {
  if mplay_player_find() == 1 { show_debug_message("host left"); game_end(); }
}
if t > 900 { show_debug_message("client gave up at " + string(next)); game_end(); }
)";

TEST(NetSessions, TwoGamesFindJoinAndExchangeMessagesAndData) {
  const uint16_t port = free_port();
  ASSERT_NE(port, 0);
  test::ScratchDir scratch("net_two_games");
  write_game(scratch / "host", kHostCreate, kHostStep, port);
  write_game(scratch / "client", kClientCreate, kClientStep, port);
  std::vector<std::string> out = play_together(scratch, {"host", "client"});
  EXPECT_EQ(out[0],
            "created 1 status 1\n"
            "joined by Clienty\n"
            "from Clienty 99 done\n"
            "data 7 back\n"
            "ended 0\n");
  EXPECT_EQ(out[1],
            "connect 1\n"
            "found Arena\n"
            "joined 2 players 2 Clienty Hosty\n"
            "got 10000 out of order 0 from Hosty\n"
            "data shared 42\n"
            "host left\n");
}

const char* kMigratingHostCreate = R"(
mplay_init_tcpip("127.0.0.1:PORT");
mplay_session_mode(1);
mplay_session_create("Moving", 3, "Hosty");
t = 0; done = false;
)";

const char* kMigratingHostStep = R"(
t += 1;
if !done && mplay_player_find() == 3 {
  show_debug_message("players 3, full: the session is no longer offered");
  mplay_message_send_guaranteed(0, 1, "bye");
  mplay_session_end();
  done = true;
  game_end();
}
if t > 900 { show_debug_message("host gave up"); game_end(); }
)";

const char* kStayingCreate = R"(
mplay_init_tcpip("127.0.0.1:PORT");
phase = 0; t = 0; sent = false;
)";

// Joins, waits for the host's goodbye, then talks to the other player through whoever hosts
// after the host left.
const char* kStayingStep = R"(
t += 1;
if phase == 0 {
  if mplay_session_find() > 0 && mplay_session_join(0, "NAME") phase = 1;
} else if phase == 1 {
  if mplay_message_receive(0) { show_debug_message(mplay_message_value()); phase = 2; }
} else if phase == 2 {
  if mplay_player_find() == 2 {
    show_debug_message("host gone, left with " + mplay_player_name(1) + ", status " +
                       string(mplay_session_status()));
    peer = mplay_player_id(1);
    phase = 3;
  }
} else if phase == 3 {
  if !sent sent = mplay_message_send_guaranteed(peer, 5, "hi from NAME");
  if sent && mplay_message_receive(0) {
    // The other player may be gone already, so its name is not asked for.
    if mplay_message_player() == peer show_debug_message("the other says " + mplay_message_value());
    mplay_session_end();
    game_end();
  }
}
if t > 900 { show_debug_message("gave up in phase " + string(phase)); game_end(); }
)";

TEST(NetSessions, AMigratingSessionGoesOnWhenItsHostLeaves) {
  const uint16_t port = free_port();
  ASSERT_NE(port, 0);
  test::ScratchDir scratch("net_migrate");
  write_game(scratch / "host", kMigratingHostCreate, kMigratingHostStep, port);
  write_game(scratch / "ann", kStayingCreate, replaced(kStayingStep, "NAME", "Ann"), port);
  write_game(scratch / "bob", kStayingCreate, replaced(kStayingStep, "NAME", "Bob"), port);
  std::vector<std::string> out = play_together(scratch, {"host", "ann", "bob"});
  EXPECT_EQ(out[0], "players 3, full: the session is no longer offered\n");
  EXPECT_EQ(out[1], "bye\nhost gone, left with Bob, status 2\nthe other says hi from Bob\n");
  EXPECT_EQ(out[2], "bye\nhost gone, left with Ann, status 2\nthe other says hi from Ann\n");
}

// What one game sees alone: the kinds that do not exist here, the checks before a session,
// and a session nobody joins.
TEST(NetSessions, AloneEveryCallFailsQuietlyUntilThereIsASession) {
  const uint16_t port = free_port();
  ASSERT_NE(port, 0);
  const std::string program = replaced(R"(
s = string(mplay_init_ipx()) + string(mplay_init_modem("", "")) +
    string(mplay_init_serial(1, 9600, 0, 0, 0)) + string(mplay_connect_status());
show_debug_message("other kinds " + s);
show_debug_message("before " + string(mplay_session_create("x", 0, "p")) +
                   string(mplay_session_find()) + string(mplay_player_find()) +
                   string(mplay_data_read(5)) + string(mplay_message_send(0, 1, 1)));
show_debug_message("tcpip " + string(mplay_init_tcpip("127.0.0.1:PORT")) +
                   string(mplay_init_tcpip("127.0.0.1")) + string(mplay_connect_status()));
show_debug_message("nobody hosts " + string(mplay_session_find()) + "[" +
                   mplay_session_name(0) + "]" + string(mplay_session_join(0, "p")));
show_debug_message("create " + string(mplay_session_create("Solo", 0, "Me")) +
                   string(mplay_session_create("Again", 0, "Me")) +
                   string(mplay_session_status()) + " " + string(mplay_player_find()) +
                   mplay_player_name(0));
show_debug_message("data " + string(mplay_data_read(5)) + " " +
                   string(mplay_data_write(5, "five")) + " " + mplay_data_read(5) + " " +
                   string(mplay_data_write(1000001, 1)) + string(mplay_data_read(-1)));
show_debug_message("send " + string(mplay_message_send(0, 1, 1)) +
                   string(mplay_message_send("Nobody", 1, 1)) +
                   string(mplay_message_send(123, 1, 1)) +
                   string(mplay_message_receive(-1)) + string(mplay_message_count(0)));
show_debug_message("self " + string(mplay_message_send_guaranteed("Me", 3, "note")) +
                   string(mplay_message_receive("Me")) + " " + mplay_message_name() + " " +
                   mplay_message_value());
show_debug_message("end " + string(mplay_session_end()) + string(mplay_session_status()) +
                   string(mplay_session_end()));
mplay_end();
show_debug_message("after " + string(mplay_connect_status()));
)",
                                       "PORT", std::to_string(port));
  test::ScratchDir scratch("net_alone");
  write_text(scratch / "alone.vns", program);
  auto run = run_command(quoted(VN_PATH) + " script " + quoted(scratch / "alone.vns"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "other kinds 0000\n"
            "before 00000\n"
            "tcpip 102\n"
            "nobody hosts 0[]0\n"
            "create 101 1Me\n"
            "data 0 1 five 00\n"
            "send 10000\n"
            "self 11 Me note\n"
            "end 100\n"
            "after 0\n");
}

// Each of four games sends 1,000 guaranteed messages to everyone; the three that do not host
// reach one another through the host. Each counts what it got from every other, in order.
const char* kCrowdCreate = R"(
mplay_init_tcpip("127.0.0.1:PORT");
if HOSTS mplay_session_create("Crowd", 0, "NAME");
phase = 0; t = 0; bad = 0; total = 0; done = 0;
for (i = 0; i < 10; i += 1) got[i] = 0;
)";

const char* kCrowdStep = R"(
t += 1;
if phase == 0 {
  if HOSTS phase = 1;
  else if mplay_session_find() > 0 && mplay_session_join(0, "NAME") phase = 1;
} else if phase == 1 {
  if mplay_player_find() == 4 {
    for (i = 0; i < 1000; i += 1) mplay_message_send_guaranteed(0, i, "NAME");
    mplay_message_send_guaranteed(0, -1, "done");
    phase = 2;
  }
}
if phase == 2 {
  while mplay_message_receive(0) {
    p = mplay_message_player();
    if mplay_message_id() == -1 done += 1;
    else { if mplay_message_id() != got[p] bad += 1; got[p] += 1; total += 1; }
  }
  if done == 3 {
    show_debug_message("got " + string(total) + ", out of order " + string(bad));
    mplay_session_end();
    game_end();
  }
}
if t > 900 { show_debug_message("gave up in phase " + string(phase) + " with " + string(total)); game_end(); }
)";

TEST(NetSessions, FourGamesLoseNoGuaranteedMessage) {
  const uint16_t port = free_port();
  ASSERT_NE(port, 0);
  test::ScratchDir scratch("net_four");
  std::vector<std::string> names = {"p1", "p2", "p3", "p4"};
  for (const std::string& name : names) {
    const std::string hosts = name == "p1" ? "true" : "false";
    write_game(scratch / name, replaced(replaced(kCrowdCreate, "HOSTS", hosts), "NAME", name),
               replaced(replaced(kCrowdStep, "HOSTS", hosts), "NAME", name), port);
  }
  std::vector<std::string> out = play_together(scratch, names);
  for (const std::string& text : out) EXPECT_EQ(text, "got 3000, out of order 0\n");
}

const char* kGuardedHostCreate = R"(
mplay_init_tcpip("127.0.0.1:PORT");
mplay_session_create("Guarded", 0, "Hosty");
phase = 0; t = 0;
)";

// Whatever a stranger sent before must not show: the host greets the real player only.
const char* kGuardedHostStep = R"(
t += 1;
if phase == 0 && mplay_player_find() == 2 && mplay_player_name(1) == "Clienty" {
  mplay_message_send_guaranteed(mplay_player_id(1), 1, "hello");
  phase = 1;
}
while mplay_message_receive(0) {
  show_debug_message("host got " + string(mplay_message_id()) + " " + string(mplay_message_value()));
  if mplay_message_id() == 2 { mplay_session_end(); game_end(); }
}
if t > 1800 { show_debug_message("host gave up"); game_end(); }
)";

const char* kGuardedClientCreate = R"(
mplay_init_tcpip("127.0.0.1:PORT");
phase = 0; t = 0;
)";

const char* kGuardedClientStep = R"(
t += 1;
if phase == 0 {
  if mplay_session_find() > 0 && mplay_session_join(0, "Clienty") phase = 1;
} else {
  while mplay_message_receive(0) {
    show_debug_message("client got " + string(mplay_message_id()) + " " + string(mplay_message_value()));
    mplay_message_send_guaranteed(0, 2, "thanks");
    mplay_session_end();
    game_end();
  }
}
if t > 900 { show_debug_message("client gave up"); game_end(); }
)";

// Serves the host until the wanted thing happened or two seconds passed.
template <typename Done>
void serve(CNetHost& host, std::vector<RNetEvent>& events, std::vector<RNetDatagram>& datagrams,
           Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!done() && std::chrono::steady_clock::now() < deadline) host.service(5, events, datagrams);
}

std::vector<uint8_t> frame(std::initializer_list<int> head, const std::vector<uint8_t>& tail = {}) {
  std::vector<uint8_t> bytes(head.begin(), head.end());
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

TEST(NetSessions, StrangersSendingDamagedPacketsChangeNothing) {
  const uint16_t port = free_port();
  ASSERT_NE(port, 0);
  test::ScratchDir scratch("net_guarded");
  write_game(scratch / "host", kGuardedHostCreate, kGuardedHostStep, port);
  write_game(scratch / "client", kGuardedClientCreate, kGuardedClientStep, port);
  std::thread host_game([&] { play_together(scratch, {"host"}); });
  // The host game ends by itself, also when a check below stops the test early.
  struct RJoin {
    std::thread& thread;
    ~RJoin() {
      if (thread.joinable()) thread.join();
    }
  } joined{host_game};

  std::unique_ptr<CNetHost> stranger = CNetHost::create(0, 4);
  ASSERT_TRUE(stranger);
  RNetAddress host_address = net_loopback_address(port);
  std::vector<RNetEvent> events;
  std::vector<RNetDatagram> datagrams;
  // Ask for the session until the host game is up; the answer names its session id.
  const std::array<uint8_t, 16> application = derived_guid(4242);
  std::vector<uint8_t> request = frame({'Q'}, {application.begin(), application.end()});
  for (int i = 0; i < 20 && datagrams.empty(); ++i) {
    stranger->send_datagram(host_address, request.data(), request.size());
    serve(*stranger, events, datagrams, [&] { return !datagrams.empty(); });
  }
  ASSERT_FALSE(datagrams.empty());
  ASSERT_GE(datagrams[0].data.size(), 33u);
  const std::vector<uint8_t> instance(datagrams[0].data.begin() + 17,
                                      datagrams[0].data.begin() + 33);

  // Damaged requests and answers.
  for (const std::vector<uint8_t>& datagram :
       {frame({}), frame({'Q'}), frame({'R', 1, 2}), frame({'Q', 0xFF}), frame({'Z', 0, 0, 0})}) {
    stranger->send_datagram(host_address, datagram.data(), datagram.size());
  }

  // A connection that sends frames cut short, too long, of no kind, and messages before
  // joining; then joins with a wrong session id and is refused.
  const uint32_t peer = stranger->connect(host_address);
  serve(*stranger, events, datagrams, [&] { return !events.empty(); });
  ASSERT_FALSE(events.empty());
  ASSERT_EQ(events[0].kind, RNetEvent::connected);
  std::vector<uint8_t> ids(application.begin(), application.end());
  ids.insert(ids.end(), instance.begin(), instance.end());
  std::vector<uint8_t> wrong_ids(application.begin(), application.end());
  wrong_ids.insert(wrong_ids.end(), 16, 0);
  wrong_ids.insert(wrong_ids.end(), {1, 0, 'x'});
  for (const std::vector<uint8_t>& bad :
       {frame({}), frame({1}), frame({1, 1, 2, 3}), frame({1}, ids), frame({99, 1, 2}),
        frame({7, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}), frame({8, 1, 0, 0, 0, 1}), frame({2}, ids),
        frame({3, 1, 0, 0, 0}), frame({1}, wrong_ids)}) {
    stranger->send(peer, bad.data(), bad.size(), true);
  }
  events.clear();
  serve(*stranger, events, datagrams, [&] { return !events.empty(); });
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].data, std::vector<uint8_t>{4});  // refused

  // Joined for real, it sends damaged payloads to everyone and to the host, then leaves.
  std::vector<uint8_t> join = frame({1}, ids);
  join.insert(join.end(), {3, 0, 'e', 'v', 'e'});
  stranger->send(peer, join.data(), join.size(), true);
  events.clear();
  serve(*stranger, events, datagrams, [&] { return !events.empty(); });
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].data.at(0), 3);  // accepted
  for (const std::vector<uint8_t>& bad :
       {frame({7, 0, 0, 0, 0}), frame({7, 0, 0, 0, 0, 1, 2, 3}),
        frame({7, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0x7F, 'x'}),
        frame({7, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
        frame({7, 9, 9, 9, 9, 1, 0, 0, 0, 0, 1})}) {
    stranger->send(peer, bad.data(), bad.size(), true);
  }
  stranger->disconnect_later(peer);
  events.clear();
  serve(*stranger, events, datagrams,
        [&] { return !events.empty() && events.back().kind == RNetEvent::disconnected; });
  stranger.reset();

  std::vector<std::string> client = play_together(scratch, {"client"});
  host_game.join();
  host_game = std::thread();
  EXPECT_EQ(client[0], "client got 1 hello\n");
  EXPECT_EQ(read_text(scratch / "host.out") + read_text(scratch / "host.err"),
            "host got 2 thanks\n");
}

}  // namespace
}  // namespace vn
