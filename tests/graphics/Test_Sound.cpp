// Sounds through the loopback mixer: preparing on demand, the sound resource functions,
// multimedia sounds played from the temporary folder, bad data that plays nothing, and the
// start-up step of a headless run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>

#include "Test_Support.h"
#include "graphics/Sound_Device.h"
#include "graphics/Sound_Main.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;

void put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

// A mono 16-bit wave file of a 440 Hz sine at half of full scale.
std::vector<uint8_t> tone_wav(double seconds) {
  const uint32_t frames = uint32_t(seconds * kRate);
  std::vector<uint8_t> file;
  for (char c : std::string("RIFF")) file.push_back(uint8_t(c));
  put32(file, 36 + frames * 2);
  for (char c : std::string("WAVEfmt ")) file.push_back(uint8_t(c));
  put32(file, 16);
  put16(file, 1);  // PCM
  put16(file, 1);  // mono
  put32(file, kRate);
  put32(file, kRate * 2);
  put16(file, 2);
  put16(file, 16);
  for (char c : std::string("data")) file.push_back(uint8_t(c));
  put32(file, frames * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    put16(file, uint16_t(int16_t(16384 * std::sin(2 * M_PI * 440 * i / kRate))));
  }
  return file;
}

// What no decoder takes: a wave header over nonsense.
std::vector<uint8_t> corrupt_wav() {
  const std::string text = "RIFF\x10\x00\x00\x00WAVEfmt nothing to hear here";
  return std::vector<uint8_t>(text.begin(), text.end());
}

constexpr double kSilent = 1e-4;
constexpr double kHeard = 0.05;  // a sine at half scale has an RMS of 0.35

class SoundTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    saved_temp_ = run_state().temp_directory;
    run_state().temp_directory = temp_.path().string();
    install();
    ASSERT_TRUE(sound_device().init(AudioOutput::kLoopback)) << "no loopback mixer";
    sound_device().set_global_volume(10.0 / 11.0);  // 0 dB
  }

  void TearDown() override {
    end_sound_system();
    run_state().temp_directory = saved_temp_;
    WorldTest::TearDown();
  }

  int add(const std::string& name, std::vector<uint8_t> data, int kind, bool preload = true,
          const std::string& file_type = ".wav") {
    auto sound = std::make_unique<CSound>();
    sound->kind = kind;
    sound->file_type = file_type;
    sound->file_name = name + file_type;
    sound->has_data = true;
    sound->data = std::move(data);
    sound->preload = preload;
    game_.sounds.add(name, std::move(sound));
    return int(game_.sounds.size()) - 1;
  }

  // The root mean square of the next stretch of the mix, 0 … 1 of full scale.
  double level(double seconds) {
    std::vector<int16_t> samples(size_t(seconds * kRate) * 2);
    sound_device().render(samples.data(), samples.size() / 2);
    double sum = 0;
    for (int16_t sample : samples) sum += double(sample) * sample;
    return std::sqrt(sum / double(samples.size())) / 32768.0;
  }

  // Silence once the mixer's short fade of what stopped has passed.
  bool silent_after_stop() {
    level(0.01);
    return level(0.05) < kSilent;
  }

  // Runs a program and gives the errors it showed.
  std::vector<std::string> shown_by(const std::string& program) {
    RScriptRun result = run(program);
    EXPECT_TRUE(result.compiled) << result.error;
    return result.shown;
  }

  ScratchDir temp_{"sound_temp"};
  ScratchDir files_{"sound_files"};

 private:
  std::string saved_temp_;
};

TEST_F(SoundTest, PreloadOffLoadsAtFirstPlay) {
  const int early = add("snd_early", tone_wav(0.5), kSoundNormal);
  const int late = add("snd_late", tone_wav(0.5), kSoundNormal, false);
  ASSERT_TRUE(prepare_sounds());
  EXPECT_TRUE(sound_at(early)->prepared());
  EXPECT_FALSE(sound_at(late)->prepared());
  EXPECT_LT(level(0.05), kSilent);

  EXPECT_TRUE(shown_by("sound_play(" + std::to_string(late) + ")").empty());
  EXPECT_TRUE(sound_at(late)->prepared());
  EXPECT_GT(level(0.1), kHeard);
  EXPECT_EQ(eval("sound_isplaying(" + std::to_string(late) + ")").real, 1);
  EXPECT_EQ(eval("sound_get_kind(" + std::to_string(late) + ")").real, kSoundNormal);
}

TEST_F(SoundTest, UnknownSoundsAreReportedAndIsPlayingIsSilent) {
  add("snd", tone_wav(0.1), kSoundNormal);
  for (const std::string call :
       {"sound_play(4)", "sound_loop(-1)", "sound_stop(4)", "sound_volume(4, 1)",
        "sound_fade(4, 1, 10)", "sound_pan(4, 0)", "sound_effect_set(4, 1)",
        "sound_effect_chorus(4, 1, 2, 3, 4, 1, 6, 2)", "sound_effect_gargle(4, 20, 0)",
        "sound_3d_set_sound_position(4, 1, 2, 3)",
        "sound_3d_set_sound_cone(4, 0, 0, 1, 90, 180, 0)"}) {
    std::vector<std::string> shown = shown_by(call + ";");
    ASSERT_EQ(shown.size(), 1u) << call;
    EXPECT_NE(shown[0].find("Sound does not exist."), std::string::npos) << shown[0];
    EXPECT_EQ(shown[0].rfind("FATAL:", 0), std::string::npos) << call;
  }
  RScriptRun quiet = run("return sound_isplaying(4) + sound_isplaying(-1);");
  EXPECT_TRUE(quiet.shown.empty());
  EXPECT_EQ(quiet.result.real, 0);
  EXPECT_TRUE(shown_by("sound_discard(4); sound_restore(4); sound_stop_all();").empty());

  std::vector<std::string> shown = shown_by("sound_delete(4); sound_replace(4, 'x.wav', 0, 1);");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].find("Trying to delete non-existing sound."), std::string::npos);
  EXPECT_NE(shown[1].find("Trying to replace non-existing sound."), std::string::npos);
}

TEST_F(SoundTest, AddReplaceAndDeleteKeepIdsAndNames) {
  add("snd_first", tone_wav(0.1), kSoundNormal);
  const fs::path file = files_ / "Tone.WAV";
  {
    const std::vector<uint8_t> bytes = tone_wav(0.2);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  const std::string name = "'" + file.string() + "'";
  EXPECT_EQ(eval("sound_add('" + (files_ / "none.wav").string() + "', 0, 1)").real, -1);
  EXPECT_EQ(eval("sound_add(" + name + ", 1, 0)").real, 1);  // the failed add kept no slot
  EXPECT_EQ(eval("sound_get_name(1)").string.str(), "__newsound1");
  EXPECT_EQ(eval("sound_name(1)").string.str(), "__newsound1");
  EXPECT_EQ(eval("sound_get_kind(1)").real, kSoundBackground);
  EXPECT_EQ(eval("sound_get_preload(1)").real, 0);
  EXPECT_EQ(sound_at(1)->file_name, "Tone.WAV");
  EXPECT_EQ(sound_at(1)->file_type, ".WAV");
  EXPECT_FALSE(sound_at(1)->prepared());

  // Replacing reloads in place: the name stays, kind and preload are the new ones.
  sound_at(0)->prepare();
  EXPECT_EQ(eval("sound_replace(0, " + name + ", 2, 1)").real, 1);
  EXPECT_EQ(eval("sound_get_name(0)").string.str(), "snd_first");
  EXPECT_EQ(eval("sound_get_kind(0)").real, kSound3D);
  EXPECT_EQ(eval("sound_get_preload(0)").real, 1);
  EXPECT_TRUE(sound_at(0)->prepared());
  EXPECT_EQ(eval("sound_replace(0, 'nowhere.wav', 0, 0)").real, 0);
  EXPECT_EQ(eval("sound_get_kind(0)").real, kSound3D);

  EXPECT_TRUE(shown_by("sound_delete(1);").empty());
  EXPECT_EQ(eval("sound_exists(1)").real, 0);
  EXPECT_EQ(eval("sound_get_name(1)").string.str(), "<undefined>");
  EXPECT_EQ(eval("sound_get_kind(1)").real, -1);
  EXPECT_EQ(eval("sound_get_preload(1)").real, -1);
  EXPECT_EQ(eval("sound_add(" + name + ", 0, 1)").real, 2);  // a deleted id is not reused
  EXPECT_EQ(eval("sound_get_name(2)").string.str(), "__newsound2");
}

TEST_F(SoundTest, APlayingSoundDeletedOrDiscardedStops) {
  const int looped = add("snd_loop", tone_wav(0.1), kSoundNormal);
  const std::string id = std::to_string(looped);
  exec("sound_loop(" + id + ");");
  level(0.25);
  EXPECT_GT(level(0.1), kHeard);  // past twice its length: it loops
  exec("sound_discard(" + id + ");");
  EXPECT_FALSE(sound_at(looped)->prepared());
  EXPECT_TRUE(silent_after_stop());
  EXPECT_EQ(eval("sound_isplaying(" + id + ")").real, 0);

  // The data stayed: it prepares and plays again.
  exec("sound_restore(" + id + "); sound_loop(" + id + ");");
  EXPECT_GT(level(0.1), kHeard);
  exec("sound_delete(" + id + ");");
  EXPECT_TRUE(silent_after_stop());
}

TEST_F(SoundTest, MultimediaSoundsPlayFromTheTemporaryFolder) {
  const int media = add("snd_media", tone_wav(0.5), kSoundMultimedia);
  CSound& sound = *sound_at(media);
  ASSERT_TRUE(sound.prepare());
  const fs::path file = sound.temporary_file();
  EXPECT_EQ(file.parent_path(), temp_.path());
  EXPECT_TRUE(std::regex_match(file.filename().string(), std::regex("a[0-9]{1,5}\\.wav"))) << file;
  EXPECT_TRUE(fs::exists(file));
  EXPECT_FALSE(sound.has_data);
  EXPECT_TRUE(sound.data.empty());

  exec("sound_play(" + std::to_string(media) + ");");
  EXPECT_GT(level(0.1), kHeard);
  // Discarded, it plays again from the same file.
  exec("sound_discard(" + std::to_string(media) + ");");
  EXPECT_TRUE(silent_after_stop());
  exec("sound_play(" + std::to_string(media) + ");");
  EXPECT_EQ(sound.temporary_file(), file);
  EXPECT_GT(level(0.1), kHeard);
  // A sound that goes takes its file with it.
  exec("sound_delete(" + std::to_string(media) + ");");
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(SoundTest, AFileTypeCannotLeadOutOfTheTemporaryFolder) {
  const int media = add("snd_media", tone_wav(0.1), kSoundMultimedia, true, "/../../x.wav");
  ASSERT_TRUE(sound_at(media)->prepare());
  EXPECT_EQ(sound_at(media)->temporary_file().parent_path(), temp_.path());
}

TEST_F(SoundTest, CorruptDataBecomesMultimediaAndPlaysNothing) {
  const int bad = add("snd_bad", corrupt_wav(), kSoundNormal);
  ASSERT_TRUE(prepare_sounds());
  EXPECT_EQ(eval("sound_get_kind(" + std::to_string(bad) + ")").real, kSoundMultimedia);
  EXPECT_TRUE(
      shown_by("sound_play(" + std::to_string(bad) + "); sound_loop(" + std::to_string(bad) + ");")
          .empty());
  EXPECT_LT(level(0.2), kSilent);
  EXPECT_EQ(eval("sound_isplaying(" + std::to_string(bad) + ")").real, 0);
  // Empty data and an unknown kind play nothing either.
  const int empty = add("snd_empty", {}, kSoundBackground);
  const int odd = add("snd_odd", tone_wav(0.1), 7);
  exec("sound_play(" + std::to_string(empty) + "); sound_play(" + std::to_string(odd) + ");");
  EXPECT_LT(level(0.1), kSilent);
}

// A copy is the stored record: freeing the copy's slot must not stop the original.
TEST_F(SoundTest, ACopyDoesNotShareTheSlot) {
  const int index = add("snd", tone_wav(0.3), kSoundNormal);
  CSound& sound = *sound_at(index);
  ASSERT_TRUE(sound.prepare());
  {
    CSound copy = sound;
    EXPECT_EQ(copy, sound);
    EXPECT_FALSE(copy.prepared());
    copy.unprepare();
  }
  EXPECT_TRUE(sound.prepared());
  exec("sound_play(" + std::to_string(index) + ");");
  EXPECT_GT(level(0.1), kHeard);
}

// The 16-bit samples of a wave file's data chunk.
std::vector<int16_t> wav_samples(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t at = 12; at + 8 <= bytes.size();) {
    uint32_t size;
    std::memcpy(&size, &bytes[at + 4], 4);
    if (std::memcmp(&bytes[at], "data", 4) == 0) {
      std::vector<int16_t> samples(std::min<size_t>(size, bytes.size() - at - 8) / 2);
      std::memcpy(samples.data(), &bytes[at + 8], samples.size() * 2);
      return samples;
    }
    at += 8 + size + (size & 1);
  }
  return {};
}

double peak(const std::vector<int16_t>& samples, size_t from, size_t to) {
  int peak = 0;
  for (size_t i = from; i < std::min(to, samples.size()); ++i) {
    peak = std::max(peak, std::abs(int(samples[i])));
  }
  return peak / 32768.0;
}

// The start-up step of a headless run opens the loopback mixer and prepares the game's
// sounds, the bad one among them, without a message; what the game plays is heard until it
// stops everything in step 3.
TEST(SoundStartUp, AHeadlessRunPreparesItsSoundsQuietly) {
  const fs::path project = fs::path(VN_SOURCE_DIR) / "tests" / "games" / "sound_startup";
  ScratchDir scratch("sound_startup");
  const fs::path mix = scratch / "mix.wav";
  RCommandResult run = run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                                   " run --headless --fixed-clock --steps 50 --audio-out " +
                                   quoted(mix) + " " + quoted(project));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err.find("No sound device detected."), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Failed to prepare the sounds."), std::string::npos) << run.err;
  EXPECT_EQ(run.out, read_text(project / "expected.log"));

  // Three steps at 30 a second: 1470 stereo frames each; the third, after the stop, is
  // silent once the mixer's fade of 10 ms at most has passed.
  const std::vector<int16_t> samples = wav_samples(mix);
  ASSERT_EQ(samples.size(), 3u * 1470 * 2);
  EXPECT_GT(peak(samples, 0, 2 * 1470), 0.1);
  EXPECT_GT(peak(samples, 2 * 1470, 4 * 1470), 0.1);
  EXPECT_LT(peak(samples, 4 * 1470 + 2 * 441, samples.size()), 1e-3);
}

}  // namespace
}  // namespace vn::test
