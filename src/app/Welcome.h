#pragma once

#include <string>

// The welcome text shown at start-up and by the About buttons, its lines joined by CR LF.
std::string WelcomeText();
