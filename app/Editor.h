#pragma once
// The mark-up editor, opened from the 编辑 menu, the tray menu, its hot key or after a capture.
#include "engine/KarvoCore.h"
#include "framework/Window.h"

//! Opens the editor on the engine's current picture, modal to owner; returns when it closes
//! (applied, discarded or left as it was). Without a picture the user is told so.
void RunMarkupEditor(CWnd* owner, CKarvoCore& core);
//! Whether the editor is open now (its loop runs inside the main window's).
bool MarkupEditorOpen();
