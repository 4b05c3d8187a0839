#pragma once
// The stored form of a scene as a given save version has it, field by field, written
// independently of the player's own writer, so that tests read what older versions wrote:
//
//   SceneRecord scene;
//   scene.Layers[0].Children.push_back(ControlRecord{...});
//   SceneBuilder builder(117);
//   builder.Scene(scene);
//   main.LoadFromStream(builder.Done(), 117);

#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"
#include "core/stream.h"

namespace orva::kit {

struct ControlRecord {
  uint8_t Type = 2;  // LT_BOX
  std::string Name;
  int32_t Priority = 0, PriorityOffset = 0;
  std::string Tag;
  int32_t Left = 0, Top = 0, Width = 0, Height = 0, OffsetX = 0, OffsetY = 0;
  bool PosZoomed = false;
  int32_t MotionX = 0, MotionY = 0, PlusX = 0, PlusY = 0;            // from 130
  int32_t ClipLeft = 0, ClipTop = 0, ClipWidth = 0, ClipHeight = 0;  // from 104
  bool AniPaused = false;                                            // from 104
  bool Visible = true;
  int32_t Color = 0;
  TRect Bounds{0, 0, 1, 1};
  uint8_t IgnoreMouse = 0;
  std::string Cursor, OnMouseMove;
  std::string OnMouseIn;  // from 102
  std::string OnMouseOut, OnLBtnDown, OnLBtnUp, OnRBtnDown, OnRBtnUp, OnWheelDown, OnWheelUp;
  bool HandleKey = false;                                               // from 118
  std::string OnKeyDown, OnKeyUp, OnKeyRepeat, OnFocusIn, OnFocusOut;  // from 118
  std::vector<ControlRecord> Children;
  // What the control's class writes after the control's record (a message box's fields).
  std::string Extra;
};

struct ComponentRecord {
  uint8_t Type = 15;  // LT_TIMER: kit::StoredComponent, the object part and then its DELAY
  std::string Name;
  int32_t Priority = 0, PriorityOffset = 0;
  std::string Tag;
  int32_t Delay = 0;
};

struct EventRecord {
  std::string Handler, Sender;
  uint8_t Kind = 0;
  int32_t Level = 0;
  std::vector<std::string> Args;
};

inline ControlRecord LayerRecord(const char* name) {
  ControlRecord layer;
  layer.Type = 0;
  layer.Name = name;
  return layer;
}

struct SceneRecord {
  int32_t Width = 640, Height = 480, Active = 0;
  ControlRecord Layers[2] = {LayerRecord("\x01" "BASE0"), LayerRecord("\x01" "BASE1")};
  std::vector<ComponentRecord> Components;
  std::vector<EventRecord> Events;
  std::string Focus;  // from 119
};

class SceneBuilder {
 public:
  explicit SceneBuilder(int version) : v_(version) {}

  TMemoryStream& Stream() { return out_; }
  void Int(int32_t value) { WriteStreamInt(out_, value); }

  void Object(const std::string& name, int32_t priority, int32_t offset, const std::string& tag) {
    WriteStreamString(out_, name);
    WriteStreamInt(out_, priority);
    if (v_ >= 104) WriteStreamInt(out_, offset);
    if (v_ >= 120) WriteStreamString(out_, tag);
  }

  void Control(const ControlRecord& c) {
    Object(c.Name, c.Priority, c.PriorityOffset, c.Tag);
    for (int32_t x : {c.Left, c.Top, c.Width, c.Height, c.OffsetX, c.OffsetY}) WriteStreamInt(out_, x);
    WriteStreamBool(out_, c.PosZoomed);
    if (v_ >= 130)
      for (int32_t x : {c.MotionX, c.MotionY, c.PlusX, c.PlusY}) WriteStreamInt(out_, x);
    if (v_ >= 104) {
      for (int32_t x : {c.ClipLeft, c.ClipTop, c.ClipWidth, c.ClipHeight}) WriteStreamInt(out_, x);
      WriteStreamBool(out_, c.AniPaused);
    }
    WriteStreamBool(out_, c.Visible);
    WriteStreamInt(out_, c.Color);
    for (int32_t x : {c.Bounds.Left, c.Bounds.Top, c.Bounds.Right, c.Bounds.Bottom}) WriteStreamInt(out_, x);
    WriteStreamByte(out_, c.IgnoreMouse);
    WriteStreamString(out_, c.Cursor);
    WriteStreamString(out_, c.OnMouseMove);
    if (v_ >= 102) WriteStreamString(out_, c.OnMouseIn);
    for (const std::string* s : {&c.OnMouseOut, &c.OnLBtnDown, &c.OnLBtnUp, &c.OnRBtnDown, &c.OnRBtnUp,
                                 &c.OnWheelDown, &c.OnWheelUp})
      WriteStreamString(out_, *s);
    if (v_ >= 118) {
      WriteStreamBool(out_, c.HandleKey);
      for (const std::string* s : {&c.OnKeyDown, &c.OnKeyUp, &c.OnKeyRepeat, &c.OnFocusIn, &c.OnFocusOut})
        WriteStreamString(out_, *s);
    }
    WriteStreamInt(out_, static_cast<int32_t>(c.Children.size()));
    for (const ControlRecord& child : c.Children) {
      WriteStreamByte(out_, child.Type);
      Control(child);
    }
    out_.WriteBuffer(c.Extra.data(), static_cast<int64_t>(c.Extra.size()));
  }

  void Event(const EventRecord& e) {
    WriteStreamString(out_, e.Handler);
    WriteStreamString(out_, e.Sender);
    WriteStreamByte(out_, e.Kind);
    if (v_ >= 114)
      WriteStreamInt(out_, e.Level);
    else
      WriteStreamByte(out_, static_cast<uint8_t>(e.Level));
    WriteStreamInt(out_, static_cast<int32_t>(e.Args.size()));
    for (const std::string& a : e.Args) WriteStreamString(out_, a);
  }

  void Events(const std::vector<EventRecord>& events) {
    WriteStreamInt(out_, static_cast<int32_t>(events.size()));
    for (const EventRecord& e : events) Event(e);
  }

  void Scene(const SceneRecord& s) {
    WriteStreamInt(out_, s.Width);
    WriteStreamInt(out_, s.Height);
    WriteStreamInt(out_, s.Active);
    Control(s.Layers[0]);
    Control(s.Layers[1]);
    WriteStreamInt(out_, static_cast<int32_t>(s.Components.size()));
    for (const ComponentRecord& c : s.Components) {
      WriteStreamByte(out_, c.Type);
      Object(c.Name, c.Priority, c.PriorityOffset, c.Tag);
      WriteStreamInt(out_, c.Delay);
    }
    Events(s.Events);
    if (v_ >= 119) WriteStreamString(out_, s.Focus);
  }

  // The bytes written, ready to be read from the start.
  TMemoryStream& Done() {
    out_.SetPosition(0);
    return out_;
  }

 private:
  int v_;
  TMemoryStream out_;
};

}  // namespace orva::kit
