#include "support/sound_files.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void PutLE(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::int16_t SampleAt(const std::string& raw, std::size_t index) {
  return static_cast<std::int16_t>(static_cast<unsigned char>(raw[2 * index]) |
                                   static_cast<unsigned char>(raw[2 * index + 1]) << 8);
}

} // namespace

std::string WavBytes(int ms, double hz) {
  const int rate = 22050;
  const int samples = rate * ms / 1000;
  std::string out = "RIFF";
  PutLE(out, 36 + samples * 2, 4);
  out += "WAVEfmt ";
  PutLE(out, 16, 4);
  PutLE(out, 1, 2); // PCM
  PutLE(out, 1, 2); // mono
  PutLE(out, rate, 4);
  PutLE(out, rate * 2, 4);
  PutLE(out, 2, 2);
  PutLE(out, 16, 2);
  out += "data";
  PutLE(out, samples * 2, 4);
  for (int i = 0; i < samples; ++i) {
    const double value = 16000.0 * std::sin(2.0 * M_PI * hz * i / rate);
    PutLE(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
  }
  return out;
}

int LoudSamples(const std::string& raw, int bound) {
  int loud = 0;
  for (std::size_t i = 0; i < raw.size() / 2; ++i) {
    if (std::abs(SampleAt(raw, i)) > bound)
      ++loud;
  }
  return loud;
}

double ToneFrequency(const std::string& raw, int rate, int channels) {
  const std::size_t frames = raw.size() / 2 / std::size_t(channels);
  std::size_t first = frames, last = 0;
  for (std::size_t f = 0; f < frames; ++f) {
    if (std::abs(SampleAt(raw, f * std::size_t(channels))) > 4000) {
      first = std::min(first, f);
      last = f;
    }
  }
  if (first >= last)
    return 0;
  int changes = 0;
  for (std::size_t f = first + 1; f <= last; ++f) {
    const bool before = SampleAt(raw, (f - 1) * std::size_t(channels)) < 0;
    const bool now = SampleAt(raw, f * std::size_t(channels)) < 0;
    changes += before != now;
  }
  return changes / 2.0 / (double(last - first) / rate);
}
