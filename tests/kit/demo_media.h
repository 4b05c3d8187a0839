#pragma once
// The demo game's own media, made by the kit's encoders the first time they are asked for:
// title music (a melody in Ogg Vorbis that loops without a step), a click effect (a rising
// chirp in a WAV file) and a short opening movie (moving colour bars with a dark block that
// steps with the frame number, and a tone; Windows Media video and audio in ASF), and the
// pictures' tune (a Standard MIDI File: a piano arpeggio over a bass, four chords that loop).

#include <cstdint>
#include <string>
#include <vector>

namespace orva::kit {

const std::string& DemoMusic();
const std::string& DemoClick();
const std::string& DemoMovie();
const std::string& DemoTune();

// What they hold.
constexpr int32_t DemoMusicNoteMs = 250;
const std::vector<double>& DemoMusicNotes();  // Hz, one per note
constexpr double DemoClickFrom = 2000, DemoClickTo = 6000;
constexpr int32_t DemoClickMs = 80;
constexpr int32_t DemoMovieWidth = 160, DemoMovieHeight = 120, DemoMovieFps = 15, DemoMovieFrames = 30;
constexpr double DemoMovieTone = 1000;
// The movie's bars, left to right at frame 0 (0x00RRGGBB; each has a channel well below the
// light of text); they move right by DemoMovieBarStep pixels a frame.
const std::vector<uint32_t>& DemoMovieBars();
constexpr int32_t DemoMovieBarWidth = 24, DemoMovieBarStep = 4;
// The colour of movie pixel (x, y) in frame i.
uint32_t DemoMoviePixel(int frame, int x, int y);
// The tune's length in milliseconds (it repeats from its start).
constexpr int32_t DemoTuneMs = 4000;

}  // namespace orva::kit
