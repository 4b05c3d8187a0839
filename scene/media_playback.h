#pragma once
// What the sound and movie objects do alike with the media item they hold: the item given
// back, BALANCE and REPEAT passed on, the end counted once per start, and the restart of
// MediaPlay.

#include <cstdint>
#include <memory>

#include "scene/media_item.h"
#include "scene/volume_fade.h"

namespace orva {

// Freed by the manager that made it, through the scene's media service.
void GiveBackMediaItem(TDMediaItem* item);

// BALANCE is kept within -10000..10000 and handed to the item as its pan; false when the
// value did not change.
bool ChangeBalance(int32_t& balance, int32_t value, TDMediaItem* item);

// REPEAT becomes the item's loop flag; a repeating item that is not paused and stands at its
// end goes back to the start (true then).
bool ApplyRepeat(TDMediaItem* item, bool repeat, bool paused);

// Polled once per frame (a looping item of the own mixer starts again on it): whether an end
// counts now. An end counts while `ended` is clear, whether the item reports it once, once
// per start or at every query.
bool EndCounts(TDMediaItem& item, bool ended);

// The restart from the beginning: with a delay, silent and paused at 0 under a new fade-in to
// `volume`; else at `volume` from 0, played unless it plays already.
void RestartItem(TDMediaItem& item, int32_t volume, int32_t delay, std::unique_ptr<TOrvaMixer>& fader);

}  // namespace orva
