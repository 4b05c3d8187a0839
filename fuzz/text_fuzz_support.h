#pragma once
// The text subsystem for fuzz targets: message boxes registered with the backlog and read
// marks, their glyphs from the fake rasteriser (fast, and the same on every machine).

#include <memory>

#include "kit/fake_rasteriser.h"
#include "text/font_pixel_manager.h"
#include "text/text_globals.h"

namespace orva::fuzz_text {

// Once per process, before the scene globals are made.
inline void InstallTextSubsystem() {
  static const bool ready = [] {
    auto fake = std::make_shared<kit::FakeRasteriserState>();
    fake->AddFace("IPAGothic");
    fake->glyphs[U'a'] = kit::FakeGlyph::Picture({"#5", "1#"}, 1, 10, 6);
    SetFontPixelManager(std::make_unique<TFontPixelManager>(kit::MakeFakeRasteriser(fake)));
    RegisterTextSubsystem();
    return true;
  }();
  (void)ready;
}

}  // namespace orva::fuzz_text
