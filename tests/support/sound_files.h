// Sound files made by tests, and what an audio device received.
#pragma once

#include <string>

// A 16-bit mono PCM wav tone at 22050 Hz.
std::string WavBytes(int ms, double hz);

// Signed 16-bit samples louder than the bound.
int LoudSamples(const std::string& raw, int bound);

// The frequency of the tone in raw interleaved 16-bit samples of the given rate and channels,
// from the sign changes of the first channel over its loud stretch; 0 when there is none.
double ToneFrequency(const std::string& raw, int rate, int channels);
