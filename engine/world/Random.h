#pragma once

// The random generator the show's scenes and explosions draw from: the 1998 runtime's linear
// congruential generator, state = state * 214013 + 2531011, result = (state >> 16) & 0x7FFF.
// Kept exactly so that a seed gives the same rock field and the same explosions on any libc.
namespace Random {

constexpr int kMax = 0x7FFF;

void Seed(unsigned seed);
// 0 .. kMax.
int Next();

}  // namespace Random
