// The system's choosers, modal and owned by a window. Both answer std::nullopt when the user
// cancels or the dialog cannot be created or shown.
//   chooseFolder: the common item dialog (IFileOpenDialog) with exactly FOS_PICKFOLDERS |
//                 FOS_FORCEFILESYSTEM, no initial folder; the chosen folder's file-system path.
//   chooseFile:   GetOpenFileNameW with exactly OFN_EXPLORER | OFN_NOCHANGEDIR, the single
//                 filter "*.*", no initial folder or name, a 65 536-character path buffer.
//
// Raises nothing of its own.
#pragma once

#include "gui/win32/win.h"

#include <optional>
#include <string>

namespace ledgerine::gui::win32 {

inline constexpr wchar_t kFolderChooserTitle[] = L"Select a directory";
inline constexpr wchar_t kFileChooserTitle[] = L"Select a file";

std::optional<std::wstring> chooseFolder(HWND owner);
std::optional<std::wstring> chooseFile(HWND owner);

} // namespace ledgerine::gui::win32
