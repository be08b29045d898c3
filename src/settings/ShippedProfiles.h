#pragma once

#include <string>
#include <vector>

// The profiles that come with Leafcast. They are meant for any book, so loading one leaves the file root as it
// is: the pages are named after the book rather than after the profile.

// "ebook": a downloaded novel read well. The book's own paragraphs, no front and back matter, chapters found
// as "CHAPTER I.", "Chapter 1" or "Chapter 1.1" by the mask and in every other form by the book-layout pass, and
// every page in one folder, so that chapters numbered in Roman numerals cannot be sorted out of reading order by
// a player.
std::string EbookProfileText();

// Puts each shipped profile into the profile folder when no file of its name is there, or when the one there is an
// earlier version's copy that nobody changed, so the Load profile dialog and --profile find them like the user's
// own. Files that cannot be written are reported in problems.
void InstallShippedProfiles(const std::string& profilesFolder, std::vector<std::string>& problems);

// The profile at path is one of the shipped ones (or the user's own under the same name).
bool IsShippedProfile(const std::string& path);
