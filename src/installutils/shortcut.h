// Shortcut (".lnk") files through the shell's link object. Windows-only.
#pragma once

#include <string_view>

#include "common/error.h"

// Writes the shortcut `LinkFile` (a full path ending in ".lnk" in any letter
// case; an existing file is replaced) that starts `Target` with `Arguments`,
// in the target's own folder, with `Description` as its comment. COM must be
// initialised on the calling thread (single-threaded apartment).
//
// A link name without the ".lnk" extension is a caller's mistake the person
// sees in a message box; nothing is written and the result is success. Any
// failure of the shell's link object, among them a link folder that does not
// exist, is an error naming the link file; no shortcut then exists.
q::Error CreateShortcut(std::string_view Target, std::string_view Arguments,
                        std::string_view LinkFile, std::string_view Description);

// How the wrong-extension message reaches the person: text, caption and
// MessageBox style. Tests install their own to record it instead of
// blocking on a dialog; nullptr restores the message box. Returns the previous.
using ShortcutMessageBox = void (*)(const char* text, const char* caption, unsigned style);
ShortcutMessageBox SetShortcutMessageBox(ShortcutMessageBox messageBox);

inline constexpr const char* kLinkExtensionMessage =
    "Errore: l'estensione del nome del file di collegamento deve essere .LNK";
inline constexpr const char* kLinkExtensionCaption = "Errore";
inline constexpr unsigned kLinkExtensionStyle = 36;  // MB_YESNO | MB_ICONQUESTION
