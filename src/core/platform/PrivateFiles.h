// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Faxes are private letters: every file and folder the program creates from here on (page files,
// RERAVA.INI, captures, PDF exports, the program directory) is its user's alone, 0600 and 0700,
// whatever the session's default. Files that exist keep their permissions. A folder shared on
// purpose through default ACLs still gives its group what the ACL says (the ACL, not this, then
// sets the new files' permissions). Called once, first thing in main().
void KeepNewFilesPrivate();
