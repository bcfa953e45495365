// Message boxes and the open and save dialogs of the window system.
#pragma once

#include "qzplatform.h"

#include <string>
#include <vector>

class qzWindow;

// The button pressed (IDOK, IDCANCEL, IDYES...). The owner may be null.
int qzShowMessageBox(qzWindow* owner, const char* caption, const char* text, uint32_t icon, uint32_t buttons);

// A filter in the system's packed form: description and pattern list in turn, each ended by a zero, the whole
// ended by a second zero ("Models\0*.obj;*.3ds\0All files\0*.*\0\0"). A description without its pattern list
// is dropped; empty patterns are skipped.
std::vector<qzFileFilter> qzParseFileFilter(const char* filter);

// True when the user confirmed; files then holds the chosen full paths (more than one only with multiselect).
// Keeping a choice out of the recent-files list is the platform's default here, so that flag changes nothing.
bool qzGetOpenFileName(qzWindow* owner, const char* initialdirectory, const char* filter,
                       const char* defaultextension, bool multiselect, bool dontaddtorecent,
                       std::vector<std::string>& files);
bool qzGetSaveFileName(qzWindow* owner, const char* initialdirectory, const char* filter,
                       const char* defaultextension, bool multiselect, bool dontaddtorecent,
                       std::vector<std::string>& files);
