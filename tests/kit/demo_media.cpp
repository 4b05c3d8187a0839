#include "kit/demo_media.h"

#include "kit/media_files.h"
#include "kit/midi_files.h"

namespace orva::kit {

const std::vector<double>& DemoMusicNotes() {
  // A small tune in A minor, low enough to stay clear of the movie's tone and the click.
  static const std::vector<double> notes = {220.0, 261.6, 329.6, 392.0, 440.0, 392.0, 329.6, 261.6,
                                            293.7, 349.2, 440.0, 349.2, 329.6, 261.6, 246.9, 220.0};
  return notes;
}

const std::vector<uint32_t>& DemoMovieBars() {
  static const std::vector<uint32_t> bars = {0xC03030, 0xC08020, 0xB0B020, 0x30B040, 0x2090C0, 0x4040C0, 0xA040B0};
  return bars;
}

uint32_t DemoMoviePixel(int frame, int x, int y) {
  // The block: a dark square in the bottom strip, one place further each frame.
  constexpr int kBlock = 16;
  if (y >= DemoMovieHeight - kBlock && x / kBlock == frame % (DemoMovieWidth / kBlock)) return 0x101010;
  const std::vector<uint32_t>& bars = DemoMovieBars();
  const int period = DemoMovieBarWidth * static_cast<int>(bars.size());
  const int shifted = ((x - frame * DemoMovieBarStep) % period + period) % period;
  return bars[static_cast<size_t>(shifted / DemoMovieBarWidth)];
}

const std::string& DemoMusic() {
  static const std::string music = EncodeOggVorbis(Melody(DemoMusicNotes(), 44100 * DemoMusicNoteMs / 1000), 2, 44100);
  return music;
}

const std::string& DemoClick() {
  static const std::string click = RiffWave()
                                       .Pcm(2, 44100, 16)
                                       .Data(Samples16(Chirp(44100 * DemoClickMs / 1000, DemoClickFrom, DemoClickTo)))
                                       .Bytes();
  return click;
}

const std::string& DemoMovie() {
  static const std::string movie = [] {
    const int frames = DemoMovieFrames * 44100 / DemoMovieFps;
    return EncodeMovie(DemoMovieWidth, DemoMovieHeight, DemoMovieFps, DemoMovieFrames, DemoMoviePixel,
                       Tone(2, 44100, frames, DemoMovieTone, 6000));
  }();
  return movie;
}

const std::string& DemoTune() {
  static const std::string tune = [] {
    // 120 beats a minute at 480 ticks a beat: eighth notes of 240 ticks, 250 ms each.
    constexpr uint32_t kEighth = 240;
    SmfFile file(480, 0);
    SmfTrack& track = file.Track();
    track.Tempo(0, 500000).Program(0, 0, 0).Program(0, 1, 32).Control(0, 0, 7, 100).Control(0, 1, 7, 90);
    // Am, F, C, G: each chord four eighths over its root in the bass.
    const int chords[4][4] = {{57, 60, 64, 69}, {53, 57, 60, 65}, {48, 52, 55, 60}, {55, 59, 62, 67}};
    for (const auto& chord : chords) {
      track.NoteOn(0, 1, chord[0] - 12, 90);
      for (int i = 0; i < 4; ++i) track.NoteOn(0, 0, chord[i], 80).NoteOff(kEighth, 0, chord[i]);
      track.NoteOff(0, 1, chord[0] - 12);
    }
    track.EndOfTrack();
    return file.Bytes();
  }();
  return tune;
}

}  // namespace orva::kit
