#include "platform/text_input.h"

namespace orva {
namespace {

TTextInputService* installed = nullptr;
TTextInputClient* focus = nullptr;
// Made before main, so that it outlives the scene globals, whose boxes let go of the focus
// when they are freed at exit.
TMemoryTextInput defaultService;

TMemoryTextInput& DefaultService() { return defaultService; }

}  // namespace

TTextInputService& TextInputService() { return installed ? *installed : DefaultService(); }

void SetTextInputService(TTextInputService* service) {
  installed = service;
  TextInputService().SetTextInput(focus != nullptr);
}

TTextInputClient* TextFocus() { return focus; }

void SetTextFocus(TTextInputClient* client) {
  if (client == focus) return;
  focus = client;
  TextInputService().SetTextInput(client != nullptr);
}

bool DispatchTextEvent(const TWindowEvent& event) {
  using TKind = TWindowEvent::TKind;
  TTextInputClient* client = focus;
  if (!client) return false;
  switch (event.Kind) {
    case TKind::KeyDown:
      client->TextKeyDown(event.VirtualKey, event.Repeat, event.Shift, event.Control);
      return true;
    case TKind::KeyUp:
      client->TextKeyUp(event.VirtualKey);
      return true;
    case TKind::TextInput:
      client->TextCommit(event.Text);
      return true;
    case TKind::TextEditing:
      client->TextCompose(event.Text);
      return true;
    default:
      return false;
  }
}

}  // namespace orva
