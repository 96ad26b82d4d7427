// The current verb and the cycle that advances it (Tab and the right button).
#pragma once

enum cursor_types : int { DO = 0, LOOK = 1, TALK = 2, INVENTORY = 3 };

// ---- Owned here ----
extern cursor_types cursor_type;  // the verb shown by the cursor and used by a left click

// The verb after `verb`: DO, LOOK, TALK, INVENTORY, then DO again; any value
// outside the cycle goes to DO.
cursor_types nextVerb(int verb);
// Advances cursor_type and writes "Cursor_type: N".
void advanceVerb();
