#include "window_rules/panel_input.h"

namespace vestrel {

bool PanelInput::KeyDown(const KeyChord& chord, bool autoRepeat) {
  return started_ && panel_.KeyPress(chord, autoRepeat);
}

void PanelInput::SystemKey(const KeyChord& chord, bool windowEnabled) {
  if (started_ && windowEnabled) {
    panel_.KeyPress(chord);
  }
}

void PanelInput::Sized(SizeKind kind, const TwipsSize& outer, const TwipsSize& client) {
  if (kind != SizeKind::Minimized) {
    panel_.Window().NoteClientSize(client);
  }
  if (!started_) {
    return;
  }
  if (kind == SizeKind::Minimized) {
    panel_.Resized(WindowState::Minimized, std::nullopt);
  } else if (kind == SizeKind::Restored) {
    panel_.Resized(WindowState::Normal, outer);
  }
}

}  // namespace vestrel
