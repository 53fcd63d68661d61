// The decoders and the loopback mixer: files made here with libsndfile's writer (and a
// MIDI file written byte by byte), played through OpenAL Soft's loopback device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <random>

#include "platform/Platform_Audio.h"

namespace vn {
namespace {

std::vector<int16_t> sine(double hz, double seconds, double amplitude, int channels = 1,
                          int rate = kAudioMixRate) {
  const size_t frames = size_t(seconds * rate);
  std::vector<int16_t> samples(frames * size_t(channels));
  for (size_t i = 0; i < frames; ++i) {
    const double value = amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / rate);
    for (int c = 0; c < channels; ++c)
      samples[i * size_t(channels) + size_t(c)] = int16_t(std::lround(value * 32767));
  }
  return samples;
}

std::vector<uint8_t> encode(const std::vector<int16_t>& samples, int channels,
                            AudioFileFormat format, int rate = kAudioMixRate) {
  return encode_audio_file(samples.data(), samples.size() / size_t(channels), channels, rate,
                           format);
}

RAudioBytes share(std::vector<uint8_t> bytes) {
  return std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
}

std::vector<int16_t> read_all(CAudioStream& stream, size_t limit_frames = 1 << 24) {
  std::vector<int16_t> all;
  std::vector<int16_t> chunk(2 * 4096);
  while (all.size() / 2 < limit_frames) {
    const size_t got = stream.read(chunk.data(), 4096);
    if (got == 0) break;
    all.insert(all.end(), chunk.begin(), chunk.begin() + 2 * got);
  }
  return all;
}

double rms(const std::vector<int16_t>& stereo, size_t from, size_t to, int channel) {
  double sum = 0;
  to = std::min(to, stereo.size() / 2);
  if (to <= from) return 0;
  for (size_t i = from; i < to; ++i)
    sum += double(stereo[2 * i + size_t(channel)]) * stereo[2 * i + size_t(channel)];
  return std::sqrt(sum / double(to - from));
}

// One note held for two beats (one second at the file's default 120 beats a minute).
std::vector<uint8_t> tiny_midi() {
  return {'M',  'T',  'h',  'd',  0,    0, 0, 6,  0, 0, 0, 1, 0, 96,  // format 0, 96 ticks a beat
          'M',  'T',  'r',  'k',  0,    0, 0, 16,                     //
          0x00, 0xC0, 0x00,                                           // piano
          0x00, 0x90, 0x3C, 0x64,                                     // middle C on
          0x81, 0x40, 0x80, 0x3C, 0x00,                               // off 192 ticks later
          0x00, 0xFF, 0x2F, 0x00};                                    // end of track
}

class AudioOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(audio_open(true, why)) << why;
  }
  void TearDown() override { audio_close(); }

  // Renders seconds of the mix, keeping the voice's streams fed as the device does.
  std::vector<int16_t> render(double seconds, CAudioVoice* voice = nullptr) {
    const size_t frames = size_t(seconds * kAudioMixRate);
    std::vector<int16_t> out(frames * 2);
    for (size_t done = 0; done < frames; done += 1024) {
      if (voice) voice->update();
      audio_render(out.data() + 2 * done, std::min<size_t>(1024, frames - done));
    }
    return out;
  }
};

TEST(AudioDecode, EverySampledFormatDecodesToTheFramesWritten) {
  const std::vector<int16_t> tone = sine(440, 0.5, 0.5);
  for (AudioFileFormat format : {AudioFileFormat::kWav, AudioFileFormat::kOggVorbis,
                                 AudioFileFormat::kFlac, AudioFileFormat::kMp3}) {
    std::vector<uint8_t> file = encode(tone, 1, format);
    if (format == AudioFileFormat::kMp3 && file.empty()) continue;  // a build without lame
    ASSERT_FALSE(file.empty()) << int(format);
    auto stream = open_audio_stream(share(file));
    ASSERT_TRUE(stream) << int(format);
    EXPECT_EQ(stream->rate(), kAudioMixRate);
    const std::vector<int16_t> decoded = read_all(*stream);
    // Lossy coders pad the start and end a little.
    EXPECT_NEAR(double(decoded.size() / 2), 22050.0, 2400.0) << int(format);
    const double level = 0.5 * 32767 / std::sqrt(2.0);
    EXPECT_NEAR(rms(decoded, 4000, 18000, 0), level, level * 0.06) << int(format);
    EXPECT_EQ(rms(decoded, 4000, 18000, 0), rms(decoded, 4000, 18000, 1)) << "mono on both";
    ASSERT_TRUE(stream->rewind());
    // The MPEG decoder's seek is not sample-exact; every other format restarts exactly.
    if (format != AudioFileFormat::kMp3) {
      EXPECT_EQ(read_all(*stream), decoded) << int(format);
    }
  }
}

TEST(AudioDecode, StereoFilesKeepTheirSides) {
  std::vector<int16_t> left_only = sine(440, 0.2, 0.5, 2);
  for (size_t i = 1; i < left_only.size(); i += 2) left_only[i] = 0;
  auto stream = open_audio_stream(share(encode(left_only, 2, AudioFileFormat::kWav)));
  ASSERT_TRUE(stream);
  const std::vector<int16_t> decoded = read_all(*stream);
  EXPECT_EQ(decoded, left_only);
}

TEST(AudioDecode, CorruptAndTruncatedFilesDecodeToNothingOrToWhatTheyHave) {
  std::mt19937 random(7);
  std::vector<uint8_t> noise(5000);
  for (uint8_t& byte : noise) byte = uint8_t(random());
  EXPECT_FALSE(open_audio_stream(share(noise)));
  EXPECT_FALSE(open_audio_stream(share({})));
  // Something that only starts like a MIDI file or a wave file.
  std::vector<uint8_t> midi_head = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
  EXPECT_FALSE(open_audio_stream(share(midi_head)));
  std::vector<uint8_t> wav = encode(sine(440, 1.0, 0.5), 1, AudioFileFormat::kWav);
  EXPECT_FALSE(open_audio_stream(share({wav.begin(), wav.begin() + 20})));
  // Cut halfway: the first half plays.
  auto half = open_audio_stream(share({wav.begin(), wav.begin() + wav.size() / 2}));
  ASSERT_TRUE(half);
  EXPECT_NEAR(double(read_all(*half).size() / 2), 22050.0, 100.0);
  // A Vorbis stream cut short or with its middle scribbled over ends, without hanging.
  std::vector<uint8_t> ogg = encode(sine(440, 2.0, 0.5), 1, AudioFileFormat::kOggVorbis);
  std::vector<uint8_t> scribbled = ogg;
  for (size_t i = scribbled.size() / 3; i < scribbled.size() / 2; ++i)
    scribbled[i] = uint8_t(random());
  for (const auto& bytes :
       {std::vector<uint8_t>(ogg.begin(), ogg.begin() + ogg.size() / 2), scribbled}) {
    if (auto stream = open_audio_stream(share(bytes))) {
      EXPECT_LE(read_all(*stream, 10 * kAudioMixRate).size() / 2, size_t(2 * kAudioMixRate));
    }
  }
}

TEST(AudioDecode, MidiRendersNotesAndTheTempoChangesTheirLength) {
  auto length_at = [](double tempo) {
    audio_set_midi_tempo(tempo);
    auto stream = open_audio_stream(share(tiny_midi()));
    EXPECT_TRUE(stream);
    if (!stream) return 0.0;
    const std::vector<int16_t> rendered = read_all(*stream, 4 * kAudioMixRate);
    EXPECT_GT(rms(rendered, 0, 11025, 0), 500.0) << "the note sounds";
    return double(rendered.size() / 2) / kAudioMixRate;
  };
  const double normal = length_at(1);
  const double faster = length_at(2);
  audio_set_midi_tempo(1);
  // The note lasts one second, or half of it, and then dies away.
  EXPECT_GT(normal, 1.0);
  EXPECT_LT(normal, 2.0);
  EXPECT_NEAR(normal - faster, 0.5, 0.1);
}

TEST_F(AudioOutput, LoopbackMixesAShortSoundWithExactSideGains) {
  auto sound = audio_load_sound(encode(sine(440, 1.0, 0.25), 1, AudioFileFormat::kWav), false);
  ASSERT_TRUE(sound);
  EXPECT_FALSE(sound->streamed());
  EXPECT_EQ(audio_decoded_bytes(), size_t(kAudioMixRate) * 8);  // a left and a right buffer
  CAudioVoice voice(sound);
  ASSERT_TRUE(voice.valid());
  voice.set_gains(1, 0.1);
  voice.start(false);
  const std::vector<int16_t> mixed = render(1.2);
  const double expected = 0.25 * 32767 / std::sqrt(2.0);
  EXPECT_NEAR(rms(mixed, 4410, 40000, 0), expected, expected * 0.03);
  EXPECT_NEAR(rms(mixed, 4410, 40000, 1), expected * 0.1, expected * 0.1 * 0.03);
  EXPECT_LT(rms(mixed, 45000, 52000, 0), 1.0) << "played once";
  EXPECT_FALSE(voice.playing());
}

TEST_F(AudioOutput, ListenerGainGoesAboveUnity) {
  auto sound = audio_load_sound(encode(sine(440, 1.0, 0.1), 1, AudioFileFormat::kWav), false);
  CAudioVoice voice(sound);
  voice.start(true);
  const double before = rms(render(0.3), 2000, 13000, 0);
  audio_set_master_gain(std::pow(10.0, 0.5));  // +10 dB
  const double after = rms(render(0.3), 2000, 13000, 0);
  audio_set_master_gain(1);
  EXPECT_NEAR(20 * std::log10(after / before), 10.0, 0.2);
}

TEST_F(AudioOutput, ALongFileIsStreamedWithLittleHeldDecoded) {
  const std::vector<int16_t> minute = sine(330, 60, 0.3, 2);
  std::vector<uint8_t> ogg = encode(minute, 2, AudioFileFormat::kOggVorbis);
  ASSERT_FALSE(ogg.empty());
  auto sound = audio_load_sound(ogg, false);
  ASSERT_TRUE(sound);
  EXPECT_TRUE(sound->streamed());
  EXPECT_EQ(audio_decoded_bytes(), 0u);
  CAudioVoice voice(sound);
  voice.start(false);
  size_t most_held = 0;
  std::vector<int16_t> block(2 * 1024);
  std::vector<double> levels;
  for (int second = 0; second < 62; ++second) {
    double sum = 0;
    for (int i = 0; i < kAudioMixRate / 1024; ++i) {
      voice.update();
      most_held = std::max(most_held, audio_decoded_bytes());
      audio_render(block.data(), 1024);
      for (size_t s = 0; s < block.size(); s += 2) sum += double(block[s]) * block[s];
    }
    levels.push_back(std::sqrt(sum / double(kAudioMixRate / 1024 * 1024)));
  }
  // A minute decoded whole would be 10 MB a side; the stream keeps a few chunks.
  EXPECT_LE(most_held, size_t(300 * 1024));
  for (int second = 1; second < 59; ++second)
    EXPECT_NEAR(levels[size_t(second)], 0.3 * 32767 / std::sqrt(2.0), 300.0) << second;
  EXPECT_LT(levels[61], 1.0) << "the stream ended";
  EXPECT_FALSE(voice.playing());
}

TEST_F(AudioOutput, ALoopingStreamGoesOnPastItsEnd) {
  std::vector<uint8_t> ogg = encode(sine(330, 11, 0.3), 1, AudioFileFormat::kOggVorbis);
  auto sound = audio_load_sound(ogg, false);
  ASSERT_TRUE(sound && sound->streamed());
  CAudioVoice voice(sound);
  voice.start(true);
  const std::vector<int16_t> mixed = render(13, &voice);
  EXPECT_GT(rms(mixed, 12 * kAudioMixRate, 13 * kAudioMixRate - 1024, 0), 5000.0);
  EXPECT_TRUE(voice.playing());
  voice.stop();
  EXPECT_FALSE(voice.playing());
  EXPECT_EQ(audio_decoded_bytes(), 0u) << "a stopped stream holds nothing";
}

TEST_F(AudioOutput, EffectStagesChangeTheSignal) {
  if (!audio_has_effects()) GTEST_SKIP() << "this OpenAL has no EFX";
  auto sound = audio_load_sound(encode(sine(440, 1.0, 0.25), 1, AudioFileFormat::kWav), false);
  auto take = [&](int flags) {
    CAudioEffects effects;
    effects.set(flags);
    if (flags == 64) {
      const double cut[] = {440, 12, -15};
      effects.set_parameters(64, cut, 3);
    }
    CAudioVoice voice(sound);
    voice.attach_effects(&effects);
    voice.start(false);
    return render(0.5);
  };
  const std::vector<int16_t> dry = take(0);
  for (int flag : {1, 2, 4, 8, 16, 32, 64, 128, 256}) {
    const std::vector<int16_t> wet = take(flag);
    double difference = 0;
    for (size_t i = 0; i < dry.size(); ++i) difference += std::abs(dry[i] - wet[i]);
    EXPECT_GT(difference / double(dry.size()), 50.0) << "effect " << flag;
  }
  // The ends of the games' reverb ranges are within what the mixer's filters take.
  for (const std::vector<double>& extreme :
       {std::vector<double>{-96, -96, 0.001, 0.001}, std::vector<double>{0, 0, 3000, 0.999},
        std::vector<double>{0, 0, 1, 0.001}}) {
    CAudioEffects effects;
    effects.set(16);
    effects.set_parameters(16, extreme.data(), extreme.size());
    CAudioVoice voice(sound);
    voice.attach_effects(&effects);
    voice.start(false);
    render(0.2);
  }
}

}  // namespace
}  // namespace vn
