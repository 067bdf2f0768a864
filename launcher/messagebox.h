// Message boxes: the launcher's only way to reach the user outside verbose
// mode.
//
// When the environment variable TARVO_MESSAGE_BOX_LOG names a file, each box
// is appended to that file instead of being shown, as
//   "style=0x%08x caption=%s\n%s\n" (style, caption or "(default)", text),
// so that unattended runs and tests see every box without one blocking them.
// When that file cannot be opened, the box is shown as without the variable.
#pragma once

enum : unsigned {
    kErrorBoxStyle = 0x10,    // MB_ICONERROR: OK button, error icon
    kWarningBoxStyle = 0x30,  // MB_OK | MB_ICONEXCLAMATION
};

// A box with the system's default caption and kErrorBoxStyle.
void showErrorBox(const char* text);

// A box with the caption "Warning" and kWarningBoxStyle.
void showWarningBox(const char* text);

// Shows a box (caption null: the system's default) and returns when the user
// has closed it.
void showMessageBox(const char* text, const char* caption, unsigned style);
