#pragma once

#include <string>

// The welcome text shown at start-up and by the About buttons, a line feed between its lines.
std::string WelcomeText();
