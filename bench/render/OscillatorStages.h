// The oscillator stage alone, one variant at a time, over the same spread of
// held notes as the whole renders: what a voice-sample of each feature costs
// and how that changes with the number of voices sharing the caches.
#pragma once

// Prints one row per variant with the median cost per voice-sample and the
// spread of `runs` runs of `seconds` of audio each, at each voice count.
void printOscillatorStages(int runs, double seconds);
