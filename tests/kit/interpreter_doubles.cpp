#include "kit/interpreter_doubles.h"

#include "core/app_control.h"
#include "core/file_manager.h"
#include "script/call_manager.h"

namespace orva::kit {

// ---- TestEventQueue ----

TTimerData& TestEventQueue::Add(std::string_view handler, TObjectHandle sender, const std::vector<std::string>& args) {
  auto event = std::make_unique<TTimerData>();
  event->Handler = handler;
  event->Sender = sender;
  for (const std::string& arg : args) event->Args.Add(arg);
  events_.push_back(std::move(event));
  return *events_.back();
}

TTimerData* TestEventQueue::FirstPending() {
  for (auto& event : events_)
    if (event->Level == 0) return event.get();
  return nullptr;
}

void TestEventQueue::RemoveLevel(int32_t level) {
  std::erase_if(events_, [&](const auto& event) { return event->Level == level; });
}

void TestEventQueue::RemoveEvent(const TTimerData* event) {
  std::erase_if(events_, [&](const auto& e) { return e.get() == event; });
}

void TestEventQueue::RemoveDispatched() {
  std::erase_if(events_, [](const auto& event) { return event->Level != 0; });
}

std::vector<std::string> TestEventQueue::Describe() const {
  std::vector<std::string> out;
  for (const auto& event : events_) out.push_back(event->Handler + "@" + std::to_string(event->Level));
  return out;
}

// ---- TestScene ----

TObjectHandle TestScene::Add(std::string_view name) {
  Object object{std::string(name), {nextId_++, generation_++}};
  objects_.push_back(object);
  return object.handle;
}

void TestScene::Remove(TObjectHandle object) {
  const int index = Find(object);
  if (index >= 0) objects_.erase(objects_.begin() + index);
}

int TestScene::Find(TObjectHandle object) const {
  for (size_t i = 0; i < objects_.size(); ++i)
    if (objects_[i].handle == object) return static_cast<int>(i);
  return -1;
}

TObjectHandle TestScene::FindObject(std::string_view name) {
  for (const Object& object : objects_)
    if (object.name == name) return object.handle;
  return {};
}

TObjectHandle TestScene::FindControl(std::string_view name) {
  if (name == "\x01" "BASE0" || name == "\x01" "BASE1") return {};
  return FindObject(name);
}

int TestScene::IndexOfObject(TObjectHandle object) { return object.IsNone() ? -1 : Find(object); }

std::string TestScene::GetName(TObjectHandle object) {
  const int index = Find(object);
  return index >= 0 ? objects_[static_cast<size_t>(index)].name : std::string();
}

void TestScene::Clear() {
  ++clears;
  objects_.clear();
  queue.Clear();
}

// ---- TestProject ----

bool TestProject::FileAvailable(std::string_view name) {
  return !name.empty() && !unavailable.contains(name) && FileManager && FileManager->FileExists(name);
}

void TestProject::RequestSave(int32_t slot, std::string_view afterLoadPage, int32_t afterLoadIndex,
                              std::string_view caption) {
  saveSlot = slot;
  savePage = afterLoadPage;
  saveIndex = afterLoadIndex;
  saveCaption = caption;
}

TCustomParam* ResultProvider::SystemVariable(uint8_t id) {
  return id == svResult ? interpreter_.ResultValue() : nullptr;
}

// ---- TraceCapture, frames ----

TraceCapture::TraceCapture() {
  OrvaLogWrite = [this](std::string_view line) { lines.emplace_back(line); };
}

TraceCapture::~TraceCapture() { OrvaLogWrite = nullptr; }

void FrameScope::ResetAll() {
  GameClock = 0;
  FrameDelta = 0;
  FrameCount = 0;
  QuitRequested = false;
}

void RunFrame(TCallMan& interpreter, int32_t delta) {
  FrameDelta = delta;
  GameClock += static_cast<uint32_t>(delta);
  interpreter.Execute();
  ++FrameCount;
}

}  // namespace orva::kit
