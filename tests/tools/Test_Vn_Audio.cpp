// vn run --audio-out: one block of samples a step, the fraction of a step time carried on,
// and a sound started in a step heard from the start of that step's block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "Test_Support.h"
#include "support/Support_Wav.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

// A room at speed 40 (1102.5 frames a step) whose object plays a loud tone in its second
// step.
fs::path make_game(const fs::path& folder) {
  fs::create_directories(folder / "sounds");
  fs::create_directories(folder / "objects");
  fs::create_directories(folder / "rooms");
  CWavWriter tone;
  std::string error;
  EXPECT_TRUE(tone.open(folder / "sounds" / "snd_tone.wav", 1, 44100, error)) << error;
  std::vector<int16_t> samples(22050);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = int16_t(16000 * std::sin(2 * 3.14159265358979 * 440 * double(i) / 44100));
  }
  tone.write(samples.data(), samples.size());
  EXPECT_TRUE(tone.close(error)) << error;
  write_text(
      folder / "sounds" / "snd_tone.json",
      R"({"kind": 0, "file_type": ".wav", "file_name": "tone.wav", "data": "snd_tone.wav"})");
  write_text(folder / "objects" / "obj_player.json", R"({"events": [
      {"type": "create", "actions": ["n = 0;"]},
      {"type": "step", "actions": ["n += 1; if n == 2 sound_play(snd_tone);"]}]})");
  write_text(folder / "rooms" / "rm_main.json",
             R"({"speed": 40, "instances": [{"x": 0, "y": 0, "object": "obj_player"}]})");
  write_text(folder / "game.json",
             R"({"sounds": ["snd_tone"], "objects": ["obj_player"], "rooms": ["rm_main"]})");
  return folder;
}

std::vector<int16_t> samples_of(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>()};
  if (bytes.size() < 44) return {};
  std::vector<int16_t> samples((bytes.size() - 44) / 2);
  std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
  return samples;
}

// The loudest sample of the frames [from, to), both channels.
int loudest(const std::vector<int16_t>& samples, size_t from, size_t to) {
  int peak = 0;
  for (size_t i = 2 * from; i < std::min(2 * to, samples.size()); ++i) {
    peak = std::max(peak, std::abs(int(samples[i])));
  }
  return peak;
}

TEST(VnAudio, EachStepWritesItsShareOfTheSecondAndSoundsStartWithTheirStep) {
  ScratchDir scratch("vn_audio_blocks");
  const fs::path game = make_game(scratch / "game");
  const fs::path mix = scratch / "mix.wav";
  const RCommandResult run = run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                                         " run --headless --fixed-clock --steps 3 --audio-out " +
                                         quoted(mix) + " " + quoted(game));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<int16_t> samples = samples_of(mix);
  // Steps end at 1102.5, 2205 and 3307.5 frames, each rounded.
  ASSERT_EQ(samples.size(), 2u * 3308);
  // Step 2's block starts at frame 1103: silence before it, the tone from it on (past the
  // mixer's fade-in of about a millisecond).
  EXPECT_EQ(loudest(samples, 0, 1103), 0);
  EXPECT_GT(loudest(samples, 1103, 1103 + 60), 0);
  EXPECT_GT(loudest(samples, 1103 + 100, 3308), 8000);
}

TEST(VnAudio, AFileThatCannotBeWrittenEndsTheRunAtOnce) {
  ScratchDir scratch("vn_audio_bad");
  const fs::path game = make_game(scratch / "game");
  const RCommandResult run = run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                                         " run --headless --fixed-clock --steps 3 --audio-out " +
                                         quoted(scratch / "no" / "mix.wav") + " " + quoted(game));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("--audio-out"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("mix.wav"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vn::test
