#pragma once
// What the page's engine functions do, as functions of the engine state and the flattened
// argument text, and the settings document that getSettings returns.
#include <string>
#include <string_view>

#include "engine/engine_state.h"

namespace velotap {

// The settings document: click spammer, recorder and player, key spammer and hold-mode fields in
// their fixed order, without white space.
std::string SettingsDocument(const EngineState& state);

// updateSpammer: hours, minutes, seconds, milliseconds, button, click type, repeat mode, repeat
// count, location mode. True when all nine were stored (then the caller copies them into the
// profile). Fewer than nine fields change nothing; a field that does not convert to a 32-bit
// integer stops the update there, keeping the fields stored before it.
bool UpdateSpammer(EngineState& state, std::string_view flattened);
// updateKeySpam: hours, minutes, seconds, milliseconds, repeat mode, repeat count; as above.
bool UpdateKeySpam(EngineState& state, std::string_view flattened);

enum class RemoveOutcome { Unchanged, Removed, RemovedLastWhileRunning };
// removeKeySpamTarget with its index text.
RemoveOutcome RemoveKeySpamTarget(EngineState& state, std::string_view flattened);
// setKeySpamChordMode: on exactly for the text "1".
void SetKeySpamChordMode(EngineState& state, std::string_view flattened);
// setHoldMode: "auto,V" or "keyspam,V"; on exactly for V "1". False when nothing changed.
bool SetHoldMode(EngineState& state, std::string_view flattened);

}  // namespace velotap
