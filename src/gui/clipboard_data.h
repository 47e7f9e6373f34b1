// The Copy command's renderings of the grid as clipboard data for the desktop's programs: the
// SYLK sheet under the names spreadsheets look for it by, LibreOffice's own name first, and the
// plain text with a TAB after every cell.
//
// The RTF rendering stays off the clipboard: LibreOffice Calc takes RTF before SYLK and reads
// each of its tab-separated lines into one cell, so a pasted report would lose its columns and
// its numbers. Word processors take the plain text instead.
#pragma once

#include "output/clipboard_render.h"

class QMimeData;

namespace vestrel::gui {

inline constexpr char kOfficeSylkMimeType[] =
    "application/x-openoffice-sylk;windows_formatname=\"Sylk\"";
inline constexpr char kSylkMimeType[] = "application/x-sylk";

// New clipboard data holding `copy`; the caller hands it on to the clipboard.
QMimeData* NewClipboardData(const TClipboardCopy& copy);

}  // namespace vestrel::gui
