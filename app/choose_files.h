#pragma once

#include <string>
#include <vector>

#include "platform/ui/prompts.h"

class QWidget;

// Asks for one or more existing files. The filter text is pairs of a
// description and its patterns, all separated by "|" ("JPG,BMP|*.JPG;*.BMP"),
// and the first pair is selected; patterns match without regard to case. The
// result is the chosen full paths joined by ";", or "" when cancelled.
std::string choose_files(QWidget* owner, const std::string& title, const std::string& filter,
                         const std::string& initial_folder);
