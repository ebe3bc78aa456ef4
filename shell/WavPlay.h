#pragma once
#include <string>

namespace quorvel::WavPlay {

// Plays a WAV file synchronously; the system's default sound when it cannot be played.
void PlayWave(const std::wstring& path);

// Plays App.Path & "\keyclick.wav"; when that file could not be written at start-up, the
// click embedded in the program instead.
void PlayKeyClick();

// Start-up: writes "keyclick.wav" into the program folder when no normal file of that name
// is there. Never fails: an unwritable folder makes the key click play from memory.
void EnsureKeyClickFile();

}  // namespace quorvel::WavPlay
