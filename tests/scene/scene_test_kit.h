#pragma once
// A headless scene for tests: a 640 × 480 back buffer of real memory surfaces, doubles of the
// media and image-cache services, and small object classes registered in the factory for the
// codes whose real classes come later (a box that fills itself, a picture, a component).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"
#include "graphics/dibx.h"
#include "kit/media_doubles.h"
#include "kit/scene_doubles.h"
#include "scene/base_list.h"
#include "scene/object_factory.h"
#include "scene/scene_services.h"

namespace orva::scene_test {

class THeadlessScreen : public TSceneScreen {
 public:
  explicit THeadlessScreen(int bits = 32) : bits_(bits) {}
  int BitCount() override { return bits_; }
  TCustomDIBX* BackBuffer() override { return &BackBufferSurface; }
  TPoint CursorPos() override { return Cursor; }
  // Sized by the fixture once the scene has its size.
  TDIBX BackBufferSurface;
  TPoint Cursor{};

 private:
  int bits_;
};

using TFakeMedia = kit::FakeMediaManagers;

class TFakeImageCache : public TSceneImageCache {
 public:
  bool GetDither() override { return Dither; }
  void SetDither(bool flag) override {
    Dither = flag;
    ++Reloads;
  }
  void ReleaseSurfaces() override { ++Releases; }
  void RecreateSurfaces() override { ++Recreates; }
  bool Dither = false;
  int Reloads = 0, Releases = 0, Recreates = 0;
};

// What the test objects did, in order: "<name>:<what>".
inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

// LT_BOX: the filling box, with the properties the scene's update reads, an Idle answer set
// by the test, and a log of its idle, paint and focus calls.
class TTestBox : public kit::FillBox {
 public:
  using kit::FillBox::FillBox;
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view v) override { onIdle_ = v; }
  std::string GetOnPlayEnd() override { return onPlayEnd_; }
  void SetOnPlayEnd(std::string_view v) override { onPlayEnd_ = v; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool v) override { paused_ = v; }
  bool GetAutoScrap() override { return autoScrap_; }
  void SetAutoScrap(bool v) override { autoScrap_ = v; }
  bool IsInputLocked() override { return InputLocked; }
  bool Idle() override {
    Log().push_back(GetName() + ":idle");
    return TOrvaControl::Idle() || IdleAnswer;
  }
  void Paint() override {
    Log().push_back(GetName() + ":paint");
    kit::FillBox::Paint();
  }
  void FocusGained() override { Log().push_back(GetName() + ":focus"); }

  bool IdleAnswer = false;
  bool InputLocked = false;

 private:
  std::string onIdle_, onPlayEnd_;
  bool paused_ = false, autoScrap_ = false;
};

// LT_IMAGES: a control that shows a picture of a given size (for picture-relative placement).
class TTestPicture : public TOrvaControl {
 public:
  using TOrvaControl::TOrvaControl;
  uint8_t GetCompoType() override { return LT_IMAGES; }
  TCustomDIBX* GetImage() override { return Picture ? Picture.get() : nullptr; }
  bool GetFlipH() override { return FlipH; }
  bool GetFlipV() override { return FlipV; }
  int32_t GetZoomX() override { return Zoom; }
  int32_t GetZoomY() override { return Zoom; }
  void MakePicture(int w, int h) {
    Picture = std::make_unique<TDIBX>();
    Picture->SetSize(w, h, 32);
  }
  std::unique_ptr<TDIBX> Picture;
  bool FlipH = false, FlipV = false;
  int32_t Zoom = 256;
};

// LT_TIMER: the stored component, with an idle handler and an Idle answer set by the test.
class TTestComponent : public kit::StoredComponent {
 public:
  using kit::StoredComponent::StoredComponent;
  std::string GetOnIdle() override { return onIdle_; }
  void SetOnIdle(std::string_view v) override { onIdle_ = v; }
  bool GetPaused() override { return paused_; }
  void SetPaused(bool v) override { paused_ = v; }
  bool Idle() override {
    Log().push_back(GetName() + ":idle");
    return IdleAnswer;
  }
  bool IdleAnswer = false;

 private:
  std::string onIdle_;
  bool paused_ = false;
};

// Installs the services and the test classes, makes the main scene at 640 × 480.
class SceneFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    previous_ = SetSceneServices({&screen_, &media_, &cache_});
    box_ = RegisterObjectClass(LT_BOX, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TTestBox>(s); });
    picture_ = RegisterObjectClass(
        LT_IMAGES, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TTestPicture>(s); });
    component_ = RegisterObjectClass(
        LT_TIMER, [](TOrvaBaseList& s) -> TOrvaObject* { return CreateSceneObject<TTestComponent>(s); });
    CreateSceneGlobals();
    screen_.BackBufferSurface.SetSize(640, 480, 32);
    Scene().SetWidth(640);
    Scene().SetHeight(480);
  }
  void TearDown() override {
    FreeSceneGlobals();
    RegisterObjectClass(LT_BOX, box_);
    RegisterObjectClass(LT_IMAGES, picture_);
    RegisterObjectClass(LT_TIMER, component_);
    SetSceneServices(previous_);
  }

  TOrvaBaseList& Scene() { return *GetMainScene(); }
  TOrvaBase& Layer(int i) { return *Scene().GetLayer(i); }
  TDIBX& BackBuffer() { return screen_.BackBufferSurface; }

  struct Place {
    int32_t Left, Top, Width, Height;
  };
  // A box on a parent (the shown layer by default) at left, top, width × height.
  TTestBox* Box(std::string_view name, Place p, TOrvaControl* parent = nullptr, int32_t color = -1) {
    TTestBox* box = CreateSceneObject<TTestBox>(Scene());
    box->SetName(name);
    box->SetParent(parent ? parent : Scene().ActiveLayer());
    box->SetBounds(p.Left, p.Top, p.Width, p.Height);
    box->SetColor(color);
    return box;
  }
  TTestComponent* Component(std::string_view name) {
    TTestComponent* c = CreateSceneObject<TTestComponent>(Scene());
    c->SetName(name);
    return c;
  }
  std::vector<TRect> Dirty(int layer) {
    std::vector<TRect> rects;
    TClipList& list = Layer(layer).DirtyRects();
    for (int i = 0; i < list.Count(); ++i) rects.push_back(list.GetRect(i));
    return rects;
  }
  void ClearDirty() {
    Layer(0).DirtyRects().Clear();
    Layer(1).DirtyRects().Clear();
  }
  std::vector<std::string> ObjectNames() {
    std::vector<std::string> names;
    for (int i = 0; i < Scene().GetItemCount(); ++i) names.push_back(Scene().GetItem(i)->GetName());
    return names;
  }

  THeadlessScreen screen_;
  TFakeMedia media_;
  TFakeImageCache cache_;

 private:
  TSceneServices previous_;
  TObjectConstructor box_, picture_, component_;
};

}  // namespace orva::scene_test
