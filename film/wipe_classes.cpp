#include "film/wipe_classes.h"

#include <memory>

#include "film/wipe_blind.h"
#include "film/wipe_block.h"
#include "film/wipe_blur.h"
#include "film/wipe_crack.h"
#include "film/wipe_curtain.h"
#include "film/wipe_dither.h"
#include "film/wipe_fade.h"
#include "film/wipe_grid.h"
#include "film/wipe_light.h"
#include "film/wipe_mosaic.h"
#include "film/wipe_ripple.h"
#include "film/wipe_scroll.h"
#include "film/wipe_sector.h"
#include "film/wipe_shadow.h"
#include "film/wipe_spot.h"
#include "film/wipe_sudare.h"
#include "film/wipe_twist.h"
#include "film/wipe_zoom.h"

namespace orva {

namespace {

template <class T>
void Register(int number) {
  RegisterWipeClass(number, [](TCustomDIBX* dest, TCustomDIBX* a, TCustomDIBX* b) -> std::unique_ptr<TCustomWipe> {
    return std::make_unique<T>(dest, a, b);
  });
}

template <class T>
void RegisterWithImages(int number, TMaskImages* images) {
  RegisterWipeClass(number,
                    [images](TCustomDIBX* dest, TCustomDIBX* a, TCustomDIBX* b) -> std::unique_ptr<TCustomWipe> {
                      return std::make_unique<T>(dest, a, b, images);
                    });
}

}  // namespace

void RegisterWipeClasses(TMaskImages* images) {
  Register<TWipeFade>(WP_FADE);
  Register<TWipeBlindH>(WP_BLINDH);
  Register<TWipeBlindV>(WP_BLINDV);
  Register<TWipeCurtainH>(WP_CURTAINH);
  Register<TWipeCurtainV>(WP_CURTAINV);
  Register<TWipeGrid>(WP_GRID);
  Register<TWipeGridH>(WP_GRIDH);
  Register<TWipeGridV>(WP_GRIDV);
  Register<TWipeDither>(WP_DITHER);
  RegisterWithImages<TWipeShadow>(WP_MASKFADE, images);
  RegisterWithImages<TWipeShadowWhite>(WP_MASKWHITE, images);
  RegisterWithImages<TWipeShadowBlack>(WP_MASKBLACK, images);
  Register<TWipeClockhand>(WP_CLOCKHAND);
  Register<TWipeFan>(WP_FAN);
  Register<TWipeWFan>(WP_WFAN);
  Register<TWipeCircle>(WP_CIRCLE);
  Register<TWipeBlockCoil>(WP_BLOCKCOIL);
  Register<TWipeBlockRandom>(WP_BLOCKRANDOM);
  Register<TWipeScrollH>(WP_SCROLLH);
  Register<TWipeScrollV>(WP_SCROLLV);
  Register<TWipeSudareH>(WP_SUDAREH);
  Register<TWipeSudareV>(WP_SUDAREV);
  Register<TWipeRubberH>(WP_RUBBERH);
  Register<TWipeRubberV>(WP_RUBBERV);
  Register<TWipeTwistH>(WP_TWISTH);
  Register<TWipeTwistV>(WP_TWISTV);
  Register<TWipeSmall>(WP_SMALL);
  Register<TWipeBig>(WP_BIG);
  Register<TWipeZoomin>(WP_ZOOMIN);
  Register<TWipeWhite>(WP_WHITE);
  Register<TWipeBlack>(WP_BLACK);
  Register<TWipeFlash>(WP_FLASH);
  Register<TWipeBlurWhite>(WP_BLURWHITE);
  Register<TWipeBlurBlack>(WP_BLURBLACK);
  Register<TWipeSpot>(WP_SPOT);
  Register<TWipeMosaic>(WP_MOSAIC);
  Register<TWipeRipple>(WP_RIPPLE);
  Register<TWipeCrack>(WP_CRACK);
}

}  // namespace orva
