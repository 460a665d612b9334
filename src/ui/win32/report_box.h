// The box that shows a task's report: like an information message box, but
// never taller than the screen it is on.  It is as wide as the report's
// longest line (within 40-70% of the screen's width) and as tall as the
// text; a text that would still not fit scrolls inside the box.
#ifndef WAKELORE_UI_WIN32_REPORT_BOX_H_
#define WAKELORE_UI_WIN32_REPORT_BOX_H_

#include <windows.h>

#include <string>

namespace wakelore {

// Shows `text` modally over `owner` with the caption `caption`; OK or
// Escape closes it.  The text control has the id 0xFFFF, as in a message
// box.
void ShowReportBox(HINSTANCE instance, HWND owner, const std::wstring& caption,
                   const std::wstring& text);

}  // namespace wakelore

#endif  // WAKELORE_UI_WIN32_REPORT_BOX_H_
