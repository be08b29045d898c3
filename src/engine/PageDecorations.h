#pragma once

#include <string>

// The header row of a page: the title, then " - File# n" and " - DocPg# 00003" when those are switched on.
std::u32string HeaderText(const std::u32string& title, int fileNumber, int documentPage, bool fileNumbersOn,
                          bool documentPagesOn);
