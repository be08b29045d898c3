#pragma once

#include <string>

class AppWindows;

// Shows each window in turn and saves a picture of it, as it stands on the screen, into folder:
// main.png, config.png, preview.png, edit.png, testmask.png. The sample book is converted up to its third page
// first, so the windows show a real page. Ends the program when done.
void StartScreenshotTour(AppWindows& windows, const std::string& folder, const std::string& sampleBook);
