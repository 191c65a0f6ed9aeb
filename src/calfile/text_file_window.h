#pragma once

#include <QWidget>
#include <string>

namespace zvr {

class CTextDlg;

// The program's own window for a text file that the desktop has no viewer for: the file's
// text, read-only, under a line that says where the file is stored. The window stays open
// beside the others until the user closes it.
//
// Returns the window, or nullptr when the path is not a regular file that can be read; files
// above kMaxViewedTextBytes are refused too, as no report the program writes comes near it.
CTextDlg* ShowTextFileWindow(const std::string& path, QWidget* parent);

inline constexpr qint64 kMaxViewedTextBytes = 16 * 1024 * 1024;

}  // namespace zvr
