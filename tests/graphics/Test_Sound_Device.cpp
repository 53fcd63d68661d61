// The sound device measured through the loopback mixer: levels against the decibel scales,
// pan, the rules of the kinds, fades on the mixer's clock, 3D placement and bad data.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "graphics/Sound_Device.h"
#include "platform/Platform_Audio.h"

namespace vn {
namespace {

constexpr int kRate = kAudioMixRate;

// A sine tone as a 16-bit wave file; on one side only when side is 0 (left) or 1 (right).
std::vector<uint8_t> tone(double hz, double seconds, double amplitude, int side = -1) {
  const size_t frames = size_t(seconds * kRate);
  std::vector<int16_t> samples(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    const auto value = int16_t(
        std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * hz * double(i) / kRate)));
    samples[2 * i] = side == 1 ? 0 : value;
    samples[2 * i + 1] = side == 0 ? 0 : value;
  }
  return encode_audio_file(samples.data(), frames, 2, kRate, AudioFileFormat::kWav);
}

double rms(const std::vector<int16_t>& mix, double from, double to, int channel) {
  const size_t first = size_t(from * kRate), last = std::min(size_t(to * kRate), mix.size() / 2);
  if (last <= first) return 0;
  double sum = 0;
  for (size_t i = first; i < last; ++i) {
    const double sample = mix[2 * i + size_t(channel)];
    sum += sample * sample;
  }
  return std::sqrt(sum / double(last - first));
}

double decibels(double level, double reference) { return 20 * std::log10(level / reference); }

class SoundDevice : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(device.init(AudioOutput::kLoopback)); }
  std::vector<int16_t> render(double seconds) {
    std::vector<int16_t> out(size_t(seconds * kRate) * 2);
    device.render(out.data(), out.size() / 2);
    return out;
  }
  // The level of a looping quarter-scale tone after the given settings, both sides.
  CSoundDevice device;
};

TEST_F(SoundDevice, VolumeAndGlobalVolumeFollowTheDecibelScales) {
  const int slot = device.load_from_memory(tone(500, 1, 0.25), ".wav", kSoundNormal);
  ASSERT_EQ(slot, 0);
  device.set_global_volume(10.0 / 11.0);  // 0 dB
  device.play(slot, true);
  const double reference = rms(render(0.3), 0.1, 0.3, 0);
  EXPECT_NEAR(reference, 0.25 * 32767 / std::sqrt(2.0), 60.0);
  struct RCase {
    double volume, global, decibels;
  };
  for (const RCase& c : {RCase{0.5, 10.0 / 11, -48}, RCase{0.75, 10.0 / 11, -24}, RCase{1, 1, 10},
                         RCase{1, 2, 10}, RCase{1, 0.5, -45}, RCase{0.9, 0.8, -9.6 - 12}}) {
    device.set_volume(slot, 0, c.volume);
    device.set_global_volume(c.global);
    const std::vector<int16_t> mix = render(0.3);
    for (int side : {0, 1})
      EXPECT_NEAR(decibels(rms(mix, 0.1, 0.3, side), reference), c.decibels, 0.5)
          << c.volume << " " << c.global;
  }
  device.set_global_volume(0);  // −100 dB: nothing a 16-bit sample can carry
  device.set_volume(slot, 0, 1);
  EXPECT_LT(rms(render(0.3), 0.1, 0.3, 0), 1.0);
}

TEST_F(SoundDevice, PanTakesItsDecibelsOffTheOtherSide) {
  const int slot = device.load_from_memory(tone(500, 1, 0.25), ".wav", kSoundNormal);
  device.set_global_volume(10.0 / 11.0);
  device.play(slot, true);
  const double reference = rms(render(0.3), 0.1, 0.3, 0);
  for (double pan : {0.1, -0.2, 0.05}) {
    device.set_pan(slot, pan);
    const std::vector<int16_t> mix = render(0.3);
    const double left = decibels(rms(mix, 0.1, 0.3, 0), reference);
    const double right = decibels(rms(mix, 0.1, 0.3, 1), reference);
    EXPECT_NEAR(left, pan > 0 ? -pan * 100 : 0, 0.5) << pan;
    EXPECT_NEAR(right, pan < 0 ? pan * 100 : 0, 0.5) << pan;
  }
}

TEST_F(SoundDevice, StereoFilesKeepTheirSides) {
  const int slot = device.load_from_memory(tone(500, 1, 0.25, 1), ".wav", kSoundNormal);
  device.play(slot, false);
  const std::vector<int16_t> mix = render(0.5);
  EXPECT_LT(rms(mix, 0, 0.5, 0), 1.0);
  EXPECT_GT(rms(mix, 0, 0.5, 1), 1000.0);
}

TEST_F(SoundDevice, LoopGoesOnAndOncePlaysOnce) {
  const int once = device.load_from_memory(tone(500, 0.2, 0.25, 0), ".wav", kSoundNormal);
  const int loop = device.load_from_memory(tone(700, 0.2, 0.25, 1), ".wav", kSoundNormal);
  device.play(once, false);
  device.play(loop, true);
  const std::vector<int16_t> mix = render(0.7);
  EXPECT_GT(rms(mix, 0.05, 0.15, 0), 1000.0);
  EXPECT_LT(rms(mix, 0.25, 0.7, 0), 1.0);
  EXPECT_GT(rms(mix, 0.5, 0.7, 1), 1000.0);
  EXPECT_FALSE(device.is_playing(once));
  EXPECT_TRUE(device.is_playing(loop));
  device.stop(loop);
  EXPECT_FALSE(device.is_playing(loop));
  EXPECT_LT(rms(render(0.1), 0.01, 0.1, 1), 1.0);
}

TEST_F(SoundDevice, ASecondBackgroundMusicReplacesTheFirst) {
  const int first = device.load_from_memory(tone(500, 1, 0.25, 0), ".wav", kSoundBackground);
  const int second = device.load_from_memory(tone(700, 1, 0.25, 1), ".wav", kSoundBackground);
  device.play(first, true);
  const std::vector<int16_t> before = render(0.2);
  EXPECT_GT(rms(before, 0.05, 0.2, 0), 1000.0);
  device.play(second, true);
  const std::vector<int16_t> after = render(0.3);
  EXPECT_LT(rms(after, 0.05, 0.3, 0), 1.0);
  EXPECT_GT(rms(after, 0.05, 0.3, 1), 1000.0);
  EXPECT_FALSE(device.is_playing(first));
  EXPECT_TRUE(device.is_playing(second));
}

TEST_F(SoundDevice, ANormalSoundPlayedTwiceOverlaps) {
  const int slot = device.load_from_memory(tone(500, 0.5, 0.2), ".wav", kSoundNormal);
  device.set_global_volume(10.0 / 11.0);
  device.play(slot, false);
  const double alone = rms(render(0.2), 0.05, 0.2, 0);
  device.stop(slot);
  device.play(slot, false);
  device.play(slot, false);  // the same step: both start at the same frame
  const std::vector<int16_t> mix = render(0.7);
  EXPECT_NEAR(decibels(rms(mix, 0.05, 0.4, 0), alone), 20 * std::log10(2.0), 0.3);
  // Started a tenth of a second apart, the second one plays on alone at the end.
  device.play(slot, false);
  render(0.1);
  device.play(slot, false);
  const std::vector<int16_t> staggered = render(0.6);
  EXPECT_GT(rms(staggered, 0.42, 0.48, 0), 1000.0);
  EXPECT_LT(rms(staggered, 0.52, 0.6, 0), 1.0);
}

TEST_F(SoundDevice, AFadeReachesItsLevelAtItsTimeOnTheMixerClock) {
  const int slot = device.load_from_memory(tone(500, 1, 0.25), ".wav", kSoundNormal);
  device.set_global_volume(10.0 / 11.0);
  device.play(slot, true);
  const double reference = rms(render(0.2), 0.05, 0.2, 0);
  device.set_volume(slot, 1000, 0.5);  // −48 dB in one second, linear in decibels
  const std::vector<int16_t> mix = render(1.5);
  EXPECT_NEAR(decibels(rms(mix, 0.24, 0.26, 0), reference), -12, 0.5);
  EXPECT_NEAR(decibels(rms(mix, 0.49, 0.51, 0), reference), -24, 0.5);
  EXPECT_NEAR(decibels(rms(mix, 1.0, 1.5, 0), reference), -48, 0.5);
}

TEST_F(SoundDevice, MultimediaSoundsPlayOneAtATimeWithoutVolumeOrPan) {
  const int first = device.load_from_memory(tone(500, 1, 0.25, 0), ".mp3", kSoundMultimedia);
  const int second = device.load_from_memory(tone(700, 1, 0.25, 1), ".mp3", kSoundMultimedia);
  EXPECT_EQ(device.slot_kind(first), kSoundMultimedia);
  device.set_global_volume(10.0 / 11.0);
  device.set_volume(first, 0, 0);
  device.set_pan(first, 1);
  device.play(first, true);
  const std::vector<int16_t> mix = render(0.2);
  EXPECT_NEAR(rms(mix, 0.05, 0.2, 0), 0.25 * 32767 / std::sqrt(2.0), 60.0);
  device.play(second, false);
  EXPECT_FALSE(device.is_playing(first));
  EXPECT_LT(rms(render(0.2), 0.05, 0.2, 0), 1.0);
}

TEST_F(SoundDevice, ThreeDimensionalSoundsArePlacedAndFadeWithDistance) {
  const int slot = device.load_from_memory(tone(500, 1, 0.25), ".wav", kSound3D);
  device.set_global_volume(10.0 / 11.0);
  device.set_position(slot, -5, 0, 0);
  device.set_distance(slot, 1, 1000);
  device.play(slot, true);
  const std::vector<int16_t> left = render(0.3);
  EXPECT_GT(rms(left, 0.1, 0.3, 0), 2 * rms(left, 0.1, 0.3, 1));
  const double near = rms(left, 0.1, 0.3, 0) + rms(left, 0.1, 0.3, 1);
  device.set_position(slot, -50, 0, 0);
  device.set_pan(slot, 0.5);  // no effect on a 3D sound
  const std::vector<int16_t> far = render(0.3);
  // Inverse distance: ten times as far is 20 dB down.
  EXPECT_NEAR(decibels(rms(far, 0.1, 0.3, 0) + rms(far, 0.1, 0.3, 1), near), -20, 1.0);
  // Facing away with the outside volume at 0.5: round(0.5 × 10000 − 10000) = −50 dB.
  device.set_position(slot, -5, 0, 0);
  device.set_cone(slot, 1, 0, 0, 90, 90, 0.5);
  const std::vector<int16_t> facing = render(0.3);
  device.set_cone(slot, -1, 0, 0, 90, 90, 0.5);
  const std::vector<int16_t> away = render(0.3);
  EXPECT_NEAR(decibels(rms(away, 0.1, 0.3, 0), rms(facing, 0.1, 0.3, 0)), -50, 1.0);
}

TEST_F(SoundDevice, MidiMusicPlaysAndFollowsTheTempo) {
  // One note of two beats, then the end of the track.
  const std::vector<uint8_t> midi = {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,
                                     0,    1,    0,    96,   'M',  'T',  'r',  'k',  0,    0,
                                     0,    16,   0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x81,
                                     0x40, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
  const int slot = device.load_from_memory(midi, ".mid", kSoundBackground);
  ASSERT_GE(slot, 0);
  auto length = [&](double tempo) {
    device.set_tempo(tempo);
    device.play(slot, false);
    const std::vector<int16_t> mix = render(3);
    EXPECT_GT(rms(mix, 0, 0.3, 0), 300.0);
    double last = 0;
    for (double at = 0; at < 3; at += 0.05)
      if (rms(mix, at, at + 0.05, 0) > 1) last = at + 0.05;
    return last;
  };
  const double normal = length(1);
  const double faster = length(2);
  device.set_tempo(1);
  EXPECT_NEAR(normal - faster, 0.5, 0.15);
  EXPECT_FALSE(device.is_playing(slot));
}

TEST_F(SoundDevice, EveryEffectChangesTheSignal) {
  if (!audio_has_effects()) GTEST_SKIP() << "this OpenAL has no EFX";
  const int slot = device.load_from_memory(tone(500, 1, 0.25), ".wav", kSoundNormal);
  device.set_global_volume(10.0 / 11.0);
  device.play(slot, false);
  const std::vector<int16_t> dry = render(0.5);
  for (int flag : {kEffectChorus, kEffectEcho, kEffectFlanger, kEffectGargle, kEffectReverb,
                   kEffectCompressor, kEffectEqualizer, kEffectDistortion, kEffectI3DL2Reverb}) {
    device.set_effects(slot, flag);
    if (flag == kEffectEqualizer) {
      const double cut[] = {500, 12, -15};
      device.set_effect_parameters(slot, flag, cut, 3);
    }
    device.stop(slot);
    device.play(slot, false);
    const std::vector<int16_t> wet = render(0.5);
    double difference = 0;
    for (size_t i = 0; i < dry.size(); ++i) difference += std::abs(dry[i] - wet[i]);
    EXPECT_GT(difference / double(dry.size()), 50.0) << flag;
  }
  // Changing the chain again and again does not use up the mixer's effect slots.
  for (int i = 0; i < 100; ++i) device.set_effects(slot, kEffectEcho | kEffectReverb);
  device.set_effects(slot, kEffectGargle);
  device.stop(slot);
  device.play(slot, false);
  const std::vector<int16_t> gargled = render(0.5);
  double difference = 0;
  for (size_t i = 0; i < dry.size(); ++i) difference += std::abs(dry[i] - gargled[i]);
  EXPECT_GT(difference / double(dry.size()), 50.0) << "after many changes";
  // A chain taken away goes silent with it: no stage lives on, fed or not.
  device.set_effects(slot, kEffectReverb | kEffectEcho);
  device.stop(slot);
  device.play(slot, true);
  render(0.5);
  device.set_effects(slot, 0);
  device.stop(slot);
  EXPECT_LT(rms(render(0.3), 0.1, 0.3, 0), 1.0);
  // The doubled equalizer of flag 64, flat, is the signal once, not twice.
  device.set_effects(slot, kEffectEqualizer);
  device.stop(slot);
  device.play(slot, false);
  EXPECT_NEAR(decibels(rms(render(0.5), 0.1, 0.4, 0), rms(dry, 0.1, 0.4, 0)), 0, 1.5);
  // Without effects the dry signal again, once the mixer's millisecond of declicking at a
  // restart is over.
  device.set_effects(slot, 0);
  device.stop(slot);
  device.play(slot, false);
  const std::vector<int16_t> again = render(0.5);
  EXPECT_EQ(std::vector<int16_t>(again.begin() + 200, again.end()),
            std::vector<int16_t>(dry.begin() + 200, dry.end()));
}

TEST_F(SoundDevice, BadDataLoadsAsNothingAndSlotsAreReused) {
  std::vector<uint8_t> noise(3000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 % 251);
  EXPECT_EQ(device.load_from_memory(noise, ".wav", kSoundNormal), -1);
  EXPECT_EQ(device.load_from_memory({}, ".wav", kSoundNormal), -1);
  EXPECT_EQ(device.load_from_memory(noise, ".mp3", kSoundMultimedia), -1);
  EXPECT_EQ(device.load_from_file("/nonexistent/sound.wav", kSoundNormal), -1);
  std::vector<uint8_t> wav = tone(500, 1, 0.25);
  const int a = device.load_from_memory(wav, ".wav", kSoundNormal);
  const int b = device.load_from_memory({wav.begin(), wav.begin() + wav.size() / 4}, ".wav", 0);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  device.play(b, false);
  const std::vector<int16_t> mix = render(0.5);
  EXPECT_GT(rms(mix, 0.05, 0.2, 0), 1000.0);
  EXPECT_LT(rms(mix, 0.3, 0.5, 0), 1.0) << "the quarter it had";
  device.free_slot(a);
  EXPECT_EQ(device.slot_kind(a), kSoundNone);
  EXPECT_EQ(device.load_from_memory(wav, ".wav", kSoundBackground), a);
  EXPECT_EQ(device.slot_kind(a), kSoundBackground);
  // Calls on unknown slots do nothing.
  for (int unknown : {-1, 7, 1000}) {
    device.play(unknown, true);
    device.set_volume(unknown, 10, 0.5);
    device.set_effects(unknown, 255);
    EXPECT_FALSE(device.is_playing(unknown));
  }
}

TEST_F(SoundDevice, TwoRunsMixTheSameBytes) {
  // As two processes would: each run on a freshly opened mixer.
  auto run = [&] {
    EXPECT_TRUE(device.init(AudioOutput::kLoopback));
    const int music = device.load_from_memory(tone(300, 0.7, 0.2), ".wav", kSoundBackground);
    const int effect = device.load_from_memory(tone(900, 0.1, 0.3, 0), ".wav", kSoundNormal);
    device.set_effects(effect, kEffectEcho | kEffectChorus);
    device.play(music, true);
    std::vector<int16_t> all = render(0.25);
    device.play(effect, false);
    device.set_volume(music, 400, 0.8);
    const std::vector<int16_t> rest = render(1);
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
  };
  EXPECT_EQ(run(), run());
}

TEST(SoundDeviceClosed, EveryCallIsHarmlessWithoutAnOutput) {
  CSoundDevice device;
  EXPECT_FALSE(device.available());
  EXPECT_EQ(device.load_from_memory(tone(500, 0.1, 0.2), ".wav", kSoundNormal), -1);
  device.play(0, true);
  device.set_volume(0, 100, 0.3);
  device.set_global_volume(1);
  device.set_tempo(3);
  device.stop_all();
  EXPECT_FALSE(device.is_playing(0));
  std::vector<int16_t> out(200, 5);
  device.render(out.data(), 100);
  EXPECT_EQ(out, std::vector<int16_t>(200, 0));
}

}  // namespace
}  // namespace vn

namespace vn {
namespace {

// With a real output (or the loopback mixer standing in for one) sounds play on their own
// in real time: nothing has to render them.
TEST(SoundDeviceOutput, SoundsPlayInRealTimeWithoutAnyoneRendering) {
  CSoundDevice device;
  ASSERT_TRUE(device.init(AudioOutput::kDevice));
  const int slot = device.load_from_memory(tone(500, 0.2, 0.25), ".wav", kSoundNormal);
  const int music = device.load_from_memory(tone(300, 12, 0.1), ".wav", kSoundBackground);
  device.set_volume(slot, 0, 0.5);
  device.play(slot, false);
  device.play(music, false);
  EXPECT_TRUE(device.is_playing(slot));
  const auto start = std::chrono::steady_clock::now();
  while (device.is_playing(slot) &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(seconds, 0.15);
  EXPECT_LT(seconds, 1.0);
  EXPECT_TRUE(device.is_playing(music)) << "a streamed sound is refilled on time";
  device.done();
  EXPECT_FALSE(device.available());
}

}  // namespace
}  // namespace vn
